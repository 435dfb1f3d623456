#include "library_symbols.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace {

// The file's bytes with bounds-checked little-endian reads.
class Image {
public:
  explicit Image(const std::string& path) : path_(path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot open");
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
  }

  [[noreturn]] void Fail(const std::string& problem) const {
    throw std::runtime_error(path_ + ": " + problem);
  }

  template <typename T>
  T Read(uint64_t offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) Fail("truncated tables");
    T value;
    std::memcpy(&value, bytes_.data() + offset, sizeof(T));
    return value;
  }

  std::string String(uint64_t offset) const {
    if (offset >= bytes_.size()) Fail("name outside the file");
    const char* begin = reinterpret_cast<const char*>(bytes_.data()) + offset;
    const auto* end = static_cast<const char*>(std::memchr(begin, 0, bytes_.size() - offset));
    if (!end) Fail("unterminated name");
    return std::string(begin, end);
  }

  bool StartsWith(const char* magic, size_t length) const {
    return bytes_.size() >= length && std::memcmp(bytes_.data(), magic, length) == 0;
  }

private:
  std::string path_;
  std::vector<uint8_t> bytes_;
};

// ELF64: the defined global symbols of .dynsym are the exports, its undefined
// ones the imports.
LibrarySymbols ReadElf(const Image& elf) {
  constexpr uint32_t kDynamicSymbols = 11;  // SHT_DYNSYM
  constexpr uint8_t kLocalBinding = 0;      // STB_LOCAL
  if (elf.Read<uint8_t>(4) != 2) elf.Fail("not a 64-bit ELF file");
  const auto section_table = elf.Read<uint64_t>(0x28);
  const auto section_size = elf.Read<uint16_t>(0x3a);
  const auto section_count = elf.Read<uint16_t>(0x3c);
  LibrarySymbols symbols;
  for (uint16_t s = 0; s < section_count; ++s) {
    const uint64_t section = section_table + uint64_t{s} * section_size;
    if (elf.Read<uint32_t>(section + 4) != kDynamicSymbols) continue;
    const auto offset = elf.Read<uint64_t>(section + 24);
    const auto size = elf.Read<uint64_t>(section + 32);
    const auto entry_size = elf.Read<uint64_t>(section + 56);
    const uint64_t names_section = section_table + elf.Read<uint32_t>(section + 40) * section_size;
    const auto names = elf.Read<uint64_t>(names_section + 24);
    if (entry_size == 0) elf.Fail("symbol table without entry size");
    // Entry 0 is the null symbol.
    for (uint64_t entry = offset + entry_size; entry + entry_size <= offset + size;
         entry += entry_size) {
      const std::string name = elf.String(names + elf.Read<uint32_t>(entry));
      const bool defined = elf.Read<uint16_t>(entry + 6) != 0;  // not SHN_UNDEF
      if (name.empty() || (elf.Read<uint8_t>(entry + 4) >> 4) == kLocalBinding) continue;
      if (defined) {
        symbols.exported.insert(name);
      } else {
        symbols.imported[""].insert(name);
      }
    }
  }
  return symbols;
}

// "#<number>" for an entry known by its ordinal alone. Appended, not
// prepended: GCC 12 misreports the prepending forms (-Wrestrict).
std::string OrdinalName(uint64_t ordinal) {
  std::string name = "#";
  name += std::to_string(ordinal);
  return name;
}

// PE32+: the named entries of the export directory, and the import
// descriptors with their name or ordinal thunks.
LibrarySymbols ReadPe(const Image& pe) {
  constexpr uint16_t kPe32Plus = 0x20b;
  constexpr uint64_t kByOrdinal = uint64_t{1} << 63;
  const auto header = pe.Read<uint32_t>(0x3c);
  if (pe.Read<uint32_t>(header) != 0x00004550) pe.Fail("no PE signature");
  const uint64_t optional = header + 24;
  const auto optional_size = pe.Read<uint16_t>(header + 20);
  if (pe.Read<uint16_t>(optional) != kPe32Plus) pe.Fail("not a 64-bit PE file");
  const auto section_count = pe.Read<uint16_t>(header + 6);
  const uint64_t sections = optional + optional_size;
  const auto file_offset = [&](uint32_t rva) -> uint64_t {
    for (uint16_t s = 0; s < section_count; ++s) {
      const uint64_t section = sections + uint64_t{s} * 40;
      const auto start = pe.Read<uint32_t>(section + 12);
      const auto extent = std::max(pe.Read<uint32_t>(section + 8), pe.Read<uint32_t>(section + 16));
      if (rva >= start && rva - start < extent) {
        return uint64_t{rva} - start + pe.Read<uint32_t>(section + 20);
      }
    }
    pe.Fail("address outside every section");
  };
  // Data directories: 0 is the export table, 1 the import table.
  const auto directory_count = pe.Read<uint32_t>(optional + 108);
  const auto directory = [&](uint32_t index) {
    return index < directory_count ? pe.Read<uint32_t>(optional + 112 + 8 * index) : 0u;
  };

  LibrarySymbols symbols;
  if (const uint32_t exports = directory(0)) {
    const uint64_t table = file_offset(exports);
    const auto functions = pe.Read<uint32_t>(table + 20);
    const auto names = pe.Read<uint32_t>(table + 24);
    const uint64_t name_list = file_offset(pe.Read<uint32_t>(table + 32));
    for (uint32_t n = 0; n < names; ++n) {
      symbols.exported.insert(pe.String(file_offset(pe.Read<uint32_t>(name_list + 4 * n))));
    }
    // Entries exported by ordinal alone count too.
    for (uint32_t f = names; f < functions; ++f) symbols.exported.insert(OrdinalName(f));
  }
  if (const uint32_t imports = directory(1)) {
    for (uint64_t descriptor = file_offset(imports); pe.Read<uint32_t>(descriptor + 12) != 0;
         descriptor += 20) {
      std::string library = pe.String(file_offset(pe.Read<uint32_t>(descriptor + 12)));
      std::transform(library.begin(), library.end(), library.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      std::set<std::string>& names = symbols.imported[library];
      const auto lookup = pe.Read<uint32_t>(descriptor);
      uint64_t thunk = file_offset(lookup != 0 ? lookup : pe.Read<uint32_t>(descriptor + 16));
      for (;; thunk += 8) {
        const auto entry = pe.Read<uint64_t>(thunk);
        if (entry == 0) break;
        names.insert((entry & kByOrdinal)
                         ? OrdinalName(entry & 0xffff)
                         : pe.String(file_offset(static_cast<uint32_t>(entry)) + 2));  // after the hint
      }
    }
  }
  return symbols;
}

}  // namespace

LibrarySymbols ReadLibrarySymbols(const std::string& path) {
  const Image image(path);
  if (image.StartsWith("\x7f" "ELF", 4)) return ReadElf(image);
  if (image.StartsWith("MZ", 2)) return ReadPe(image);
  image.Fail("neither an ELF nor a PE file");
}
