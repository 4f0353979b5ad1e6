// Subscription bookkeeping between message sources and recipients.
#include "app/results/MessageRecipient.h"

#include <algorithm>
#include <mutex>

namespace {

// One lock for all links: subscribing, unsubscribing and notifying are rare and short, and a
// single reentrant lock lets a recipient change subscriptions from inside ReceiveMessage.
std::recursive_mutex& LinkLock()
{
    static std::recursive_mutex lock;
    return lock;
}

template <typename T>
void EraseOne(std::vector<T*>& list, T* item)
{
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}

} // namespace

NuMessageRecipient::~NuMessageRecipient() { UnsubscribeFromAll(); }

void NuMessageRecipient::ReceiveMessage(const NuMessageData&) {}

void NuMessageRecipient::SubscribeTo(NuMessageSource& source)
{
    std::lock_guard guard(LinkLock());
    if (std::find(subscriptions_.begin(), subscriptions_.end(), &source) != subscriptions_.end())
        return;
    subscriptions_.push_back(&source);
    source.subscribers_.push_back(this);
}

void NuMessageRecipient::UnsubscribeFrom(NuMessageSource& source)
{
    std::lock_guard guard(LinkLock());
    EraseOne(subscriptions_, &source);
    EraseOne(source.subscribers_, this);
}

void NuMessageRecipient::UnsubscribeFromAll()
{
    std::lock_guard guard(LinkLock());
    for (NuMessageSource* source : subscriptions_)
        EraseOne(source->subscribers_, this);
    subscriptions_.clear();
}

NuMessageSource::~NuMessageSource() { DropSubscribers(); }

void NuMessageSource::NotifySubscribers(std::string_view name) const
{
    std::lock_guard guard(LinkLock());
    NuMessageData data{name, this};
    // A copy, so a recipient may unsubscribe while being notified.
    std::vector<NuMessageRecipient*> current = subscribers_;
    for (NuMessageRecipient* recipient : current)
        if (std::find(subscribers_.begin(), subscribers_.end(), recipient) != subscribers_.end())
            recipient->ReceiveMessage(data);
}

size_t NuMessageSource::SubscriberCount() const
{
    std::lock_guard guard(LinkLock());
    return subscribers_.size();
}

void NuMessageSource::DropSubscribers()
{
    std::lock_guard guard(LinkLock());
    for (NuMessageRecipient* recipient : subscribers_)
        EraseOne(recipient->subscriptions_, static_cast<NuMessageSource*>(this));
    subscribers_.clear();
}
