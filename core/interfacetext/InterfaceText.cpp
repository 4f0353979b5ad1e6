// Loading the interface text and looking up message keys.
#include "core/interfacetext/InterfaceText.h"

#include "core/VelmarLog.h"

InterfaceTextDB& InterfaceTextDB::Instance()
{
    static InterfaceTextDB s_db;
    s_db.EnsureLoaded();
    return s_db;
}

void InterfaceTextDB::EnsureLoaded()
{
    // Once loaded, lookups need only the shared lock, so they run in parallel.
    if (m_loaded.load(std::memory_order_acquire)) return;
    RWLockHold hold(m_lock, true);
    if (m_loaded.load(std::memory_order_relaxed)) return;
    LoadLocked();
    m_loaded.store(true, std::memory_order_release);  // one attempt per process, whatever its outcome
}

void InterfaceTextDB::LoadLocked()
{
    m_root.Clear();
    SoupRef root;
    if (root.Load(kSourceName, kFileName)) {
        m_root = root;
        return;
    }
    ReportError("InterfaceTextDB> failed to load compiled interfacetext file");
    std::string textName(kFileName);
    textName.replace(textName.rfind('.'), std::string::npos, ".txt");
    if (root.Load(kSourceName, textName)) {
        m_root = root;
        return;
    }
    ReportError("InterfaceTextDB> Unable to read interface file '%s'", kFileName);
}

std::string InterfaceTextDB::GetString(const Nox::PString& key, bool warnIfMissing)
{
    if (key.empty()) return {};
    std::string text;
    {
        RWLockHold hold(m_lock, false);
        text = m_root.GetString(key);
    }
    if (!text.empty() || !warnIfMissing) return text;
    if (m_missing.fetch_add(1) + 1 <= kMaxMissingReports)
        ReportError("InterfaceTextDB::GetString> Tag '%s' not found in '%s'", key.c_str(), kFileName);
    return std::string(key.view());
}

std::string LocalizeText(const Nox::PString& key) { return InterfaceTextDB::Instance().GetString(key, true); }
