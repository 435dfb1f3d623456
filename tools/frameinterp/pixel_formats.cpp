#include "pixel_formats.h"

#include <algorithm>
#include <vector>

#include "standin/locked_picture.h"
#include "standin/media.h"
#include "yuv_to_rgb.h"

namespace fitool {
namespace {

uint8_t Clamp(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// BT.601 limited range in 8-bit fixed point.
uint8_t LumaOf(int r, int g, int b) { return Clamp(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16); }
uint8_t BlueDiffOf(int r, int g, int b) {
  return Clamp(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
}
uint8_t RedDiffOf(int r, int g, int b) {
  return Clamp(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
}


void CopyRows(const uint8_t* from, size_t from_stride, uint8_t* to, size_t to_stride,
              size_t row_bytes, int rows) {
  for (int row = 0; row < rows; ++row) {
    std::copy_n(from + row * from_stride, row_bytes, to + row * to_stride);
  }
}

}  // namespace

void PictureToBgra(const Picture& picture, uint8_t* bgra, int32_t stride) {
  const int cw = picture.chroma_width();
  for (int row = 0; row < picture.height; ++row) {
    uint8_t* out = bgra + static_cast<ptrdiff_t>(row) * stride;
    const size_t chroma_row = static_cast<size_t>(row / 2) * cw;
    for (int col = 0; col < picture.width; ++col) {
      const Rgb colour = YuvToRgb(picture.y[static_cast<size_t>(row) * picture.width + col],
                                  picture.u[chroma_row + col / 2], picture.v[chroma_row + col / 2]);
      out[4 * col + 0] = colour.b;
      out[4 * col + 1] = colour.g;
      out[4 * col + 2] = colour.r;
      out[4 * col + 3] = 255;
    }
  }
}

Picture BgraToPicture(const uint8_t* bgra, int32_t stride, int width, int height) {
  Picture picture = Picture::Filled(width, height, 0, 0);
  for (int row = 0; row < height; ++row) {
    const uint8_t* in = bgra + static_cast<ptrdiff_t>(row) * stride;
    for (int col = 0; col < width; ++col) {
      picture.y[static_cast<size_t>(row) * width + col] =
          LumaOf(in[4 * col + 2], in[4 * col + 1], in[4 * col + 0]);
    }
  }
  const int cw = picture.chroma_width();
  for (int row = 0; row < picture.chroma_height(); ++row) {
    // The last chroma row and column of an odd size have one pixel down or
    // across.
    const int rows = std::min(2, height - 2 * row);
    for (int col = 0; col < cw; ++col) {
      const int cols = std::min(2, width - 2 * col);
      int sum[3] = {0, 0, 0};  // B, G, R over the block's pixels
      for (int dy = 0; dy < rows; ++dy) {
        const uint8_t* px = bgra + static_cast<ptrdiff_t>(2 * row + dy) * stride + 8 * col;
        for (int dx = 0; dx < cols; ++dx) {
          for (int k = 0; k < 3; ++k) sum[k] += px[4 * dx + k];
        }
      }
      const int n = rows * cols;
      const int b = (sum[0] + n / 2) / n, g = (sum[1] + n / 2) / n, r = (sum[2] + n / 2) / n;
      const size_t at = static_cast<size_t>(row) * cw + col;
      picture.u[at] = BlueDiffOf(r, g, b);
      picture.v[at] = RedDiffOf(r, g, b);
    }
  }
  return picture;
}

std::shared_ptr<avcore::IMediaBuffer> ToHostBuffer(const Picture& picture, uint32_t format) {
  std::shared_ptr<standin::CpuBuffer> buffer = standin::MakePicture(
      format, static_cast<uint32_t>(picture.width), static_cast<uint32_t>(picture.height));
  buffer->GetDesc(0)->SetMemoryType(0);
  standin::LockedPicture locked(*buffer, avcore::IMediaBuffer::kWrite);
  const auto w = static_cast<size_t>(picture.width);
  const auto cw = static_cast<size_t>(picture.chroma_width());
  const int ch = picture.chroma_height();
  switch (format) {
    case kFormatI420:
      CopyRows(picture.y.data(), w, locked.planes[0], locked.strides[0], w, picture.height);
      CopyRows(picture.u.data(), cw, locked.planes[1], locked.strides[1], cw, ch);
      CopyRows(picture.v.data(), cw, locked.planes[2], locked.strides[2], cw, ch);
      break;
    case kFormatNv12:
      CopyRows(picture.y.data(), w, locked.planes[0], locked.strides[0], w, picture.height);
      for (int row = 0; row < ch; ++row) {
        uint8_t* out = locked.planes[1] + static_cast<ptrdiff_t>(row) * locked.strides[1];
        for (size_t col = 0; col < cw; ++col) {
          out[2 * col] = picture.u[row * cw + col];
          out[2 * col + 1] = picture.v[row * cw + col];
        }
      }
      break;
    default:
      PictureToBgra(picture, locked.planes[0], locked.strides[0]);
      break;
  }
  return buffer;
}

std::optional<Picture> FromHostBuffer(avcore::IMediaBuffer& buffer, std::string* error) {
  avcore::IMediaDesc* desc = buffer.GetDesc(0);
  if (!desc) {
    *error = "the picture has no description";
    return std::nullopt;
  }
  const uint32_t format = desc->GetFormat();
  const uint32_t width = desc->GetWidth(0);
  const uint32_t height = desc->GetHeight(0);
  if (width == 0 || height == 0) {
    *error = "the picture has an unusable size " + std::to_string(width) + "x" +
             std::to_string(height);
    return std::nullopt;
  }
  // Bytes of one row of each plane, which every stride must hold.
  const uint32_t cw = (width + 1) / 2;
  std::vector<uint32_t> row_bytes;
  switch (format) {
    case kFormatI420: row_bytes = {width, cw, cw}; break;
    case kFormatNv12: row_bytes = {width, 2 * cw}; break;
    case kFormatBgra: row_bytes = {4 * width}; break;
    default:
      *error = "the picture has format " + std::to_string(format) + ", not 1, 6 or 20";
      return std::nullopt;
  }
  standin::LockedPicture locked(buffer, avcore::IMediaBuffer::kRead);
  if (!locked.ok()) {
    *error = "the picture cannot be locked for reading";
    return std::nullopt;
  }
  const int plane_count = static_cast<int>(row_bytes.size());
  for (int p = 0; p < plane_count; ++p) {
    if (!locked.planes[p] || locked.strides[p] < static_cast<int64_t>(row_bytes[p])) {
      *error = "the picture's plane " + std::to_string(p) + " is missing or too narrow";
      return std::nullopt;
    }
  }
  if (plane_count == 1) {
    return BgraToPicture(locked.planes[0], locked.strides[0], static_cast<int>(width),
                         static_cast<int>(height));
  }
  Picture picture = Picture::Filled(static_cast<int>(width), static_cast<int>(height), 0, 0);
  const int ch = picture.chroma_height();
  CopyRows(locked.planes[0], locked.strides[0], picture.y.data(), width, width,
           static_cast<int>(height));
  if (plane_count == 3) {
    CopyRows(locked.planes[1], locked.strides[1], picture.u.data(), cw, cw, ch);
    CopyRows(locked.planes[2], locked.strides[2], picture.v.data(), cw, cw, ch);
  } else {
    for (int row = 0; row < ch; ++row) {
      const uint8_t* in = locked.planes[1] + static_cast<ptrdiff_t>(row) * locked.strides[1];
      for (size_t col = 0; col < cw; ++col) {
        picture.u[row * cw + col] = in[2 * col];
        picture.v[row * cw + col] = in[2 * col + 1];
      }
    }
  }
  return picture;
}

}  // namespace fitool
