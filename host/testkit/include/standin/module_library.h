// Loads a plug-in module from its file the way the host does, and finds its
// exported functions.
#pragma once

#include <memory>
#include <string>

namespace standin {

class ModuleLibrary {
public:
  // `path` is UTF-8. Null with a message naming the path and the system's
  // reason in *error when the file cannot be loaded.
  static std::unique_ptr<ModuleLibrary> Open(const std::string& path, std::string* error);
  ~ModuleLibrary();
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;

  // The address of an exported symbol, or null.
  void* Symbol(const char* name) const;

private:
  explicit ModuleLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

}  // namespace standin
