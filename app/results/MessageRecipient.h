// Named-message notification between objects: sources tell their subscribed recipients about changes.
#pragma once

#include <string_view>
#include <vector>

class NuMessageSource;

// One notification: its name (such as "list-updated") and the object that sent it.
struct NuMessageData {
    std::string_view name;
    const NuMessageSource* sender = nullptr;
};

// An object that can subscribe to message sources. It keeps the list of its subscriptions and
// leaves every source when it is destroyed, so a source never calls a dead recipient.
class NuMessageRecipient {
public:
    NuMessageRecipient() = default;
    NuMessageRecipient(const NuMessageRecipient&) = delete;
    NuMessageRecipient& operator=(const NuMessageRecipient&) = delete;
    virtual ~NuMessageRecipient();

    virtual void ReceiveMessage(const NuMessageData& message);

    void SubscribeTo(NuMessageSource& source);
    void UnsubscribeFrom(NuMessageSource& source);
    void UnsubscribeFromAll();

private:
    friend class NuMessageSource;
    std::vector<NuMessageSource*> subscriptions_;
};

// An object that notifies subscribers. Destroying it drops every subscription to it.
class NuMessageSource {
public:
    NuMessageSource() = default;
    NuMessageSource(const NuMessageSource&) = delete;
    NuMessageSource& operator=(const NuMessageSource&) = delete;
    virtual ~NuMessageSource();

    // Calls ReceiveMessage of every current subscriber, in subscription order.
    void NotifySubscribers(std::string_view name) const;
    size_t SubscriberCount() const;

protected:
    // Removes every subscriber; the destructors of derived sources call it after their last message.
    void DropSubscribers();

private:
    friend class NuMessageRecipient;
    std::vector<NuMessageRecipient*> subscribers_;
};
