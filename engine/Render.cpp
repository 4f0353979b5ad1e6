// Null start-up objects, plug-in look-up and the logged waiting screen.
#include "engine/Render.h"

#include <mutex>

#include "engine/Log.h"
#include "engine/TextFormat.h"

namespace Nox {

namespace {

std::string Lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

std::atomic<ResourceSystem*> currentResources{nullptr};
std::atomic<uint64_t> dumpCount{0};
std::atomic<bool> screenShown{false};
std::atomic<uint64_t> screenShowings{0};

}  // namespace

bool Options::Init(std::string_view applicationName, std::string_view extra) {
  applicationName_ = applicationName;
  if (!extra.empty()) ProcessRaw(extra);
  return true;
}

void Options::ProcessRaw(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t end = text.find_first_of(" \t", i);
    if (end == std::string_view::npos) end = text.size();
    std::string_view word = text.substr(i, end - i);
    i = end;
    if (word.empty()) continue;
    if (!raw_.empty()) raw_ += ' ';
    raw_ += word;
    while (!word.empty() && (word.front() == '-' || word.front() == '/')) word.remove_prefix(1);
    size_t equals = word.find('=');
    std::string name = Lowered(word.substr(0, equals));
    std::string value = equals == std::string_view::npos ? std::string() : std::string(word.substr(equals + 1));
    if (!name.empty()) values_[name] = value;
  }
}

bool Options::Has(std::string_view name) const { return values_.count(Lowered(name)) != 0; }

std::optional<std::string> Options::Get(std::string_view name) const {
  auto it = values_.find(Lowered(name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

bool Options::GetNext(std::string_view name, size_t& index, std::string& value) const {
  auto it = values_.find(Lowered(name));
  if (it == values_.end()) return false;
  std::string_view all = it->second;
  size_t entry = 0;
  size_t start = 0;
  for (;;) {
    size_t end = all.find_first_of(separators_, start);
    if (end == std::string_view::npos) end = all.size();
    if (entry == index) {
      if (start > all.size() || (start == all.size() && all.empty())) return false;
      value = std::string(all.substr(start, end - start));
      ++index;
      return true;
    }
    if (end == all.size()) return false;
    start = end + 1;
    ++entry;
  }
}

OS::OS(std::string_view title, std::string_view optionString)
    : title_(title), optionString_(optionString) {}

bool OS::Init() {
  options_.ProcessRaw(optionString_);
  return true;
}

bool OS::IsNullRender() const { return options_.Has("NullRender"); }

ResourceSystem::ResourceSystem() { currentResources.store(this); }

ResourceSystem::~ResourceSystem() {
  ResourceSystem* self = this;
  currentResources.compare_exchange_strong(self, nullptr);
}

bool ResourceSystem::Init(const Options&) { return true; }

void ResourceSystem::DumpUnusedResourcesFromCache() { dumpCount.fetch_add(1); }

ResourceSystem* ResourceSystem::Current() { return currentResources.load(); }

void ResourceSystem::DumpUnusedFromCurrent() {
  if (ResourceSystem* system = Current()) {
    system->DumpUnusedResourcesFromCache();
  } else {
    dumpCount.fetch_add(1);
  }
}

uint64_t ResourceSystem::DumpCount() { return dumpCount.load(); }

bool RenderKernel::Init(OS&) {
  initialised_ = true;
  return true;
}

std::optional<UId> UId::FromText(std::string_view text) {
  static constexpr size_t kGroups[] = {8, 4, 4, 4, 12};
  UId id;
  size_t byte = 0;
  size_t i = 0;
  for (size_t group = 0; group < 5; ++group) {
    if (group > 0) {
      if (i >= text.size() || text[i] != '-') return std::nullopt;
      ++i;
    }
    for (size_t k = 0; k < kGroups[group]; k += 2) {
      if (i + 2 > text.size()) return std::nullopt;
      int value = 0;
      for (int half = 0; half < 2; ++half) {
        char c = AsciiLower(text[i++]);
        int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0) return std::nullopt;
        value = value * 16 + digit;
      }
      id.bytes[byte++] = static_cast<uint8_t>(value);
    }
  }
  if (i != text.size()) return std::nullopt;
  return id;
}

PluginHandle PluginBase::LookupPluginType(const UId& id, std::string_view typeName) {
  static const std::optional<UId> imageType = UId::FromText(kImageTypeId);
  if (!imageType || !(id == *imageType)) return nullptr;
  std::string name = Lowered(typeName);
  for (const char* known : {"bmp", "jpg", "tga", "png", "dds"}) {
    if (name == known) return std::make_shared<const PluginType>(PluginType{id, name});
  }
  return nullptr;
}

namespace BlockingScreen {

void Show() {
  screenShown.store(true);
  screenShowings.fetch_add(1);
  Log::GetClient()->OutputString(1, "BlockingScreen> showing BlockingScreen.jpg");
}

void Hide() { screenShown.store(false); }

bool IsShown() { return screenShown.load(); }

uint64_t ShowCount() { return screenShowings.load(); }

}  // namespace BlockingScreen

}  // namespace Nox
