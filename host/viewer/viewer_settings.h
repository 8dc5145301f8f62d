// What the viewer keeps across runs (recent files, the toolbar shown or not), under a key of the user's registry.
#pragma once

#include <string>
#include <vector>

namespace molvane::viewer {

// Values under HKEY_CURRENT_USER\<key>, created on first write. What cannot
// be read gives the default; what cannot be written is forgotten at the end
// of the run, without a message: nothing of the user's work depends on it.
class ViewerSettings {
 public:
  static constexpr char kDefaultKey[] = "Software\\Molvane\\Visionneuse";
  explicit ViewerSettings(std::string key) : key_(std::move(key)) {}

  std::vector<std::string> ReadList(const char* name) const;
  void WriteList(const char* name, const std::vector<std::string>& items) const;
  bool ReadFlag(const char* name, bool byDefault) const;
  void WriteFlag(const char* name, bool value) const;

 private:
  std::string key_;
};

}  // namespace molvane::viewer
