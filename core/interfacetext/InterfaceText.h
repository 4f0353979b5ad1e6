// InterfaceTextDB: the message texts named by "$" keys, loaded once from the interface text soup.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "core/RWLock.h"
#include "engine/PString.h"
#include "soup/SoupRef.h"

class InterfaceTextDB {
public:
    static constexpr const char* kFileName = "interfacetext.chump";
    static constexpr const char* kSourceName = "data";
    // Misses reported to the engine log; later misses stay silent.
    static constexpr int kMaxMissingReports = 10;

    InterfaceTextDB() = default;
    virtual ~InterfaceTextDB() = default;
    InterfaceTextDB(const InterfaceTextDB&) = delete;
    InterfaceTextDB& operator=(const InterfaceTextDB&) = delete;

    // The process's database, loaded on first use.
    static InterfaceTextDB& Instance();

    // Loads the file unless a load was already attempted (a missing file is reported once).
    void EnsureLoaded();
    // The text stored for `key` (case-sensitive, keys include the leading '$'). A missing key or
    // an empty text gives the key itself and, with warnIfMissing, counts as a miss. An empty key
    // is returned unchanged. No placeholder is filled here.
    std::string GetString(const Nox::PString& key, bool warnIfMissing);

    int MissingKeyCount() const { return m_missing.load(); }

private:
    void LoadLocked();

    RWLock m_lock;
    SoupRef m_root;
    std::atomic<bool> m_loaded{false};  // set once the first load attempt is over
    std::atomic<int> m_missing{0};
};

// The text in force for a message key, through the process's database.
std::string LocalizeText(const Nox::PString& key);
