// What a shared library offers and needs, read from its own tables: the
// dynamic symbols of an ELF .so, or the export and import tables of a PE DLL.
#pragma once

#include <map>
#include <set>
#include <string>

struct LibrarySymbols {
  std::set<std::string> exported;
  // Imported names by the library that supplies them: the DLL's name in lower
  // case for PE files; "" for ELF files, whose undefined symbols name no library.
  std::map<std::string, std::set<std::string>> imported;
};

// Throws std::runtime_error naming the path when the file is neither a 64-bit
// ELF nor a PE32+ library, or its tables point outside it.
LibrarySymbols ReadLibrarySymbols(const std::string& path);
