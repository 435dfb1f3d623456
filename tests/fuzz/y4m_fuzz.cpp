// The YUV4MPEG2 reader on arbitrary bytes: as a seekable file, as a stream
// read whole and as a stream read forward. Whatever it admits, every frame
// reads back at the header's size, and a forward stream refuses only what it
// no longer holds; nothing else may happen.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "frame_sequence.h"
#include "tool_error.h"
#include "y4m_clip.h"

namespace {

using fitool::Y4mClip;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The bytes as a file open for reading.
std::FILE* FileOf(const uint8_t* data, size_t size) {
#if defined(__linux__)
  // In memory, which is much faster; glibc takes no buffer of size 0.
  if (size > 0) return fmemopen(const_cast<uint8_t*>(data), size, "rb");
#endif
  std::FILE* file = std::tmpfile();
  Check(file != nullptr);
  std::fwrite(data, 1, size, file);
  std::rewind(file);
  return file;
}

void ReadAll(const uint8_t* data, size_t size, bool seekable, Y4mClip::Access access) {
  std::FILE* file = FileOf(data, size);
  Check(file != nullptr);
  // Malformed input is refused on opening, or for a stream read forward when
  // its frames are read; nothing else may throw.
  std::unique_ptr<Y4mClip> clip;
  try {
    clip = Y4mClip::Read("fuzz", file, true,
                         seekable ? std::optional<int64_t>(size) : std::nullopt, access);
  } catch (const fitool::ToolError&) {
    return;
  }
  const fitool::Y4mHeader& header = clip->header();
  for (int64_t index = 0;; ++index) {
    bool has = false;
    try {
      has = clip->Has(index);
    } catch (const fitool::ToolError&) {
      Check(!seekable && access == Y4mClip::Access::kForward);
      return;
    }
    if (!has) break;
    const fitool::Picture picture = clip->Frame(index);
    Check(picture.width == header.width && picture.height == header.height &&
          picture.y.size() + picture.u.size() + picture.v.size() == header.FrameBytes());
    if (index >= 2) clip->Frame(index - 2);  // within a forward stream's window
  }
  Check(clip->count().has_value());
  Check(fitool::LastFrameUpTo(*clip, INT64_MAX / 2) == *clip->count() - 1);
  try {
    clip->Frame(0);
  } catch (const fitool::ToolError&) {
    Check(!seekable && access == Y4mClip::Access::kForward &&
          *clip->count() > Y4mClip::kWindowFrames);
  }
}

}  // namespace

// A picture's memory grows only as its bytes arrive, so no input of a fuzz
// run's size needs a large block: one is a fault, whatever the header says.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static std::vector<char*> args(*argv, *argv + *argc);
  static char limit[] = "-malloc_limit_mb=64";
  args.insert(args.begin() + 1, limit);
  args.push_back(nullptr);
  *argc += 1;
  *argv = args.data();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadAll(data, size, true, Y4mClip::Access::kForward);
  ReadAll(data, size, false, Y4mClip::Access::kRandom);
  ReadAll(data, size, false, Y4mClip::Access::kForward);
  return 0;
}
