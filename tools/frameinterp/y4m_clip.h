// A YUV4MPEG2 clip opened for reading. A regular file is checked whole up
// front and its pictures read on demand. Any other input (a pipe, a FIFO,
// standard input) is read once from its start: either whole up front, or
// frame by frame as the frames are asked for, keeping only the last few.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame_sequence.h"
#include "y4m_header.h"
#include "y4m_stream_reader.h"

namespace fitool {

class Y4mClip final : public FrameSequence {
public:
  enum class Access {
    kRandom,   // any frame at any time: a stream is read whole and kept
    kForward,  // frames in rising order, stepping back at most kWindowFrames - 1
               // frames behind the newest one asked for: a stream is read as
               // the frames are needed and only the last kWindowFrames are kept
  };
  // A forward conversion asks for a frame at most one behind the newest it
  // reached: the motion mode, whose window holds two frames beyond a request
  // after a restart, fetches the frame covering a later request again (found
  // for every mode, rate and format over the test footage). Four frames keep
  // a margin of two.
  static constexpr int64_t kWindowFrames = 4;

  // Opens `path` ("-" for standard input) and reads the header; a regular
  // file, or any input read with random access, is checked whole. Throws
  // ToolError naming the input and the problem: no or malformed header,
  // unsupported colour format or bit depth, bad sizes or rate, a frame
  // without its FRAME line, a truncated frame, no frames at all.
  static std::unique_ptr<Y4mClip> Open(const std::string& path, Access access);
  // The same on an open file, closed with the clip when `owns`; `size` is the
  // size of a file that can be seeked, nullopt for a stream read once.
  static std::unique_ptr<Y4mClip> Read(std::string name, std::FILE* file, bool owns,
                                       std::optional<int64_t> size, Access access);
  ~Y4mClip() override;
  Y4mClip(const Y4mClip&) = delete;
  Y4mClip& operator=(const Y4mClip&) = delete;

  const Y4mHeader& header() const { return header_; }
  const std::string& name() const { return reader_.name(); }
  // The number of frames: known after opening, except for a stream read
  // forward, where it is known once its end was reached.
  std::optional<int64_t> count() const;
  // Whether any frame can be read at any time (a regular file), rather than
  // once, in order (a stream).
  bool seekable() const { return size_.has_value(); }
  bool Has(int64_t index) override;
  Picture Frame(int64_t index) override;

private:
  Y4mClip(std::string name, std::FILE* file, bool owns_file, std::optional<int64_t> size,
          Access access);
  // Reads the next frame's FRAME line and its picture (or its position, in a
  // seekable file); sets ended_ at the end of the input.
  void ReadNext();

  Y4mStreamReader reader_;
  bool owns_file_;
  std::optional<int64_t> size_;  // of a seekable file
  Access access_;
  Y4mHeader header_;
  int64_t read_ = 0;  // frames read so far
  bool ended_ = false;
  std::vector<int64_t> offsets_;  // where each picture starts (seekable files)
  std::deque<Picture> held_;      // the pictures of frames first_held_ ... (streams)
  int64_t first_held_ = 0;
};

// Opens the input of one of the program's jobs as Y4mClip::Open does, and
// warns once on stderr when its header says that the frames are interlaced:
// they are converted as progressive pictures.
std::unique_ptr<Y4mClip> OpenProgramInput(const std::string& path, Y4mClip::Access access);

}  // namespace fitool
