// Start-up engine objects (OS, options, resources, renderer, plug-ins) and the waiting screen.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Nox {

// Named options parsed from an option string such as
// "-NullRender -LogFile=/dev/null -paths=a,b". Names compare ignoring case;
// a value may hold several entries split at the separators (default ",").
class Options {
 public:
  bool Init(std::string_view applicationName, std::string_view extra);
  // Adds every "-name[=value]" word of the text (later words win).
  void ProcessRaw(std::string_view text);
  void SetSeparators(std::string_view separators) { separators_ = separators; }
  bool Has(std::string_view name) const;
  // The whole value of an option; nullopt when absent ("" for a bare flag).
  std::optional<std::string> Get(std::string_view name) const;
  // Walks the separated entries of an option's value: index starts at 0 and
  // advances; false when no entry is left.
  bool GetNext(std::string_view name, size_t& index, std::string& value) const;
  // The option words as given, joined by spaces.
  const std::string& Raw() const noexcept { return raw_; }
  const std::string& ApplicationName() const noexcept { return applicationName_; }

 private:
  std::string applicationName_;
  std::string raw_;
  std::string separators_ = ",";
  std::map<std::string, std::string> values_;  // lower-cased name -> value
};

// The engine's OS object. No window exists here: Init only parses the options.
class OS {
 public:
  OS(std::string_view title, std::string_view optionString);
  bool Init();
  Options& GetOptions() noexcept { return options_; }
  const std::string& Title() const noexcept { return title_; }
  const std::string& OptionString() const noexcept { return optionString_; }
  bool IsNullRender() const;

 private:
  std::string title_;
  std::string optionString_;
  Options options_;
};

// Resource cache. Nothing is cached by this null implementation; the dump
// request is still counted so that callers' housekeeping can be observed.
class ResourceSystem {
 public:
  ResourceSystem();
  ~ResourceSystem();
  bool Init(const Options& options);
  void DumpUnusedResourcesFromCache();
  // The most recently created resource system, or null.
  static ResourceSystem* Current();
  // Dumps the current system's cache when there is one; counted either way.
  static void DumpUnusedFromCurrent();
  static uint64_t DumpCount();
};

// Null renderer: created without a scene graph; Init succeeds.
class RenderKernel {
 public:
  RenderKernel(void* sceneGraph, float parameter) : sceneGraph_(sceneGraph), parameter_(parameter) {}
  bool Init(OS& os);
  bool IsInitialised() const noexcept { return initialised_; }
  float Parameter() const noexcept { return parameter_; }
  void* SceneGraph() const noexcept { return sceneGraph_; }

 private:
  void* sceneGraph_;
  float parameter_;
  bool initialised_ = false;
};

// A 128-bit type id written as "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX".
struct UId {
  std::array<uint8_t, 16> bytes{};
  static std::optional<UId> FromText(std::string_view text);
  bool operator==(const UId& other) const noexcept { return bytes == other.bytes; }
  bool operator<(const UId& other) const noexcept { return bytes < other.bytes; }
};

struct PluginType {
  UId id;
  std::string name;
};
using PluginHandle = std::shared_ptr<const PluginType>;

class PluginBase {
 public:
  // The image plug-in type id under which start-up looks up "bmp".
  static constexpr std::string_view kImageTypeId = "4C414E80-BBDA-11d4-9AD7-0001025364B8";
  // A handle to the plug-in of that type and name (held until the last copy
  // goes); null when no such plug-in is known. Known: the image types bmp,
  // jpg, tga, png and dds (names ignore case).
  static PluginHandle LookupPluginType(const UId& id, std::string_view typeName);
};

// The waiting screen shown while the main thread is blocked. There is no
// display here: every showing (first show and each refresh) writes one engine
// log line "BlockingScreen> showing BlockingScreen.jpg".
namespace BlockingScreen {
void Show();
void Hide();
bool IsShown();
uint64_t ShowCount();
}  // namespace BlockingScreen

}  // namespace Nox
