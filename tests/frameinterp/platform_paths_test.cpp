// The paths where Windows differs from POSIX, run on both: file names the
// ANSI code page cannot spell, and file offsets past what a 32-bit long holds.
// (The program tests cover the loader's reasons and binary standard streams.)
#include <gtest/gtest.h>

#include <fstream>

#include "child_process.h"
#include "platform.h"
#include "png_readback.h"
#include "scratch_dir.h"
#include "standin/module_library.h"
#include "testdata.h"
#include "utf8_path.h"
#include "y4m_clip.h"

namespace fitool {
namespace {

// `name` (UTF-8) inside the scratch folder.
std::string Inside(const ScratchDir& dir, const std::string& name) {
  return Utf8String(Utf8Path(dir.File("")) / Utf8Path(name));
}

TEST(PlatformPaths, FileNamesOutsideTheAnsiCodePageReachEveryFileTheProgramOpens) {
  ScratchDir dir;
  // The program with its module and host libraries, moved to such a folder.
  const std::filesystem::path folder = Utf8Path(Inside(dir, "modul-ß-日本"));
  std::filesystem::create_directory(folder);
  const std::filesystem::path built(FRAMEINTERP_PROGRAM);
  for (const auto& entry : std::filesystem::directory_iterator(built.parent_path())) {
    const std::filesystem::path& file = entry.path();
    if (file == built || file.extension() == std::filesystem::path(ModuleFileName()).extension()) {
      std::filesystem::copy_file(file, folder / file.filename());
    }
  }
  const std::string clip = Inside(dir, "clip-äöü.y4m");
  std::filesystem::copy_file(frameinterp::testing::TestdataPath("clips/RTn23_80x44_15fps.y4m"), Utf8Path(clip));

  std::string error;
  const auto library = standin::ModuleLibrary::Open(Utf8String(folder / ModuleFileName()), &error);
  ASSERT_NE(library, nullptr) << error;
  EXPECT_NE(library->Symbol("GetServiceModuleInfo"), nullptr);
  EXPECT_EQ(library->Symbol("NoSuchExport"), nullptr);

  const int status = RunChild(Utf8String(folder / built.filename()),
                              {"-q", "-m", "repeat", "-r", "15", "-o", "ausgabe-€.y4m",
                               "--snapshot", "1", "bild-ø.png", clip},
                              {Utf8String(folder), "", dir.File("stdout"), dir.File("stderr")});
  ASSERT_EQ(status, 0) << Slurp(dir.File("stderr"));
  // The same rate in repeat mode copies the clip byte for byte.
  EXPECT_TRUE(Slurp(folder / Utf8Path("ausgabe-€.y4m")) == Slurp(Utf8Path(clip)));
  EXPECT_TRUE(ReadPng(Utf8String(folder / Utf8Path("bild-ø.png")))) << "no readable snapshot";
}

TEST(PlatformPaths, FramesPastFourGibibytesAreFoundAndRead) {
  ScratchDir dir;
  // 172 frames of 4096 x 4096: the last one starts past 2^32 bytes. The file
  // is sparse: only the FRAME lines and the last picture's ends are written.
  const std::string header = "YUV4MPEG2 W4096 H4096 F25:1\n";
  const int64_t frame_bytes = 4096 * 4096 * 3 / 2;
  const int64_t stride = frame_bytes + 6;
  const int64_t last = 171;
  const std::string path = dir.File("large.y4m");
  {
    std::ofstream out(path, std::ios::binary);
    out << header;
    for (int64_t i = 0; i <= last; ++i) {
      out.seekp(static_cast<std::streamoff>(header.size() + i * stride));
      out << "FRAME\n";
    }
    out << "first";
    out.seekp(static_cast<std::streamoff>(header.size() + last * stride + stride - 4));
    out << "last";
    ASSERT_TRUE(out.good());
  }
  ASSERT_GT(std::filesystem::file_size(path), uint64_t{1} << 32);

  const auto clip = Y4mClip::Open(path, Y4mClip::Access::kRandom);
  ASSERT_EQ(clip->count(), last + 1);
  const Picture picture = clip->Frame(last);
  EXPECT_EQ(std::string(picture.y.begin(), picture.y.begin() + 5), "first");
  EXPECT_EQ(std::string(picture.v.end() - 4, picture.v.end()), "last");
}

}  // namespace
}  // namespace fitool
