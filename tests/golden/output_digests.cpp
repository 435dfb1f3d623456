#include "output_digests.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>
#else
#include <openssl/evp.h>
#endif

#include <cstdio>
#include <filesystem>

#include "clip_provider.h"
#include "frame_times.h"
#include "standin/locked_picture.h"
#include "y4m_clip.h"

namespace golden {

Clip ReadClip(const std::string& path) {
  const auto file = fitool::Y4mClip::Open(path, fitool::Y4mClip::Access::kRandom);
  std::vector<fitool::Picture> pictures;
  for (int64_t i = 0; i < *file->count(); ++i) pictures.push_back(file->Frame(i));
  return {std::filesystem::path(path).stem().string(), file->header().rate,
          std::make_unique<fitool::PictureList>(std::move(pictures))};
}

std::vector<uint8_t> AnswerBytes(const frameinterp::SamplePtr& answer) {
  std::vector<uint8_t> bytes;
  if (!answer) return bytes;
  std::shared_ptr<avcore::IMediaBuffer> buffer;
  answer->GetBuffer(&buffer, 0, 0);
  avcore::IMediaDesc* desc = buffer ? buffer->GetDesc(0) : nullptr;
  if (!desc) {
    ADD_FAILURE() << "an answer without a picture";
    return bytes;
  }
  const standin::PictureLayout layout =
      standin::LayoutFor(desc->GetFormat(), desc->GetWidth(0), desc->GetHeight(0));
  standin::LockedPicture picture(*buffer, 0);
  if (!picture.Covers(layout)) {
    ADD_FAILURE() << "an answer whose picture cannot be read";
    return bytes;
  }
  for (int p = 0; p < layout.plane_count; ++p) {
    for (uint32_t row = 0; row < layout.planes[p].rows; ++row) {
      const uint8_t* from = &picture.planes[p][static_cast<size_t>(row) * picture.strides[p]];
      bytes.insert(bytes.end(), from, from + layout.planes[p].row_bytes);
    }
  }
  return bytes;
}

void RequestClip(const Clip& clip, fitool::Rational output_rate,
                 const std::function<frameinterp::SamplePtr(int64_t)>& request,
                 const std::function<void(const std::vector<uint8_t>&)>& on_frame) {
  const int64_t end = fitool::FrameTime(clip.frames->count(), clip.rate);
  std::vector<uint8_t> previous;
  for (int64_t k = 0;; ++k) {
    const int64_t t = fitool::FrameTime(k, output_rate);
    if (t >= end) break;
    std::vector<uint8_t> bytes = AnswerBytes(request(t));
    if (!bytes.empty()) previous = std::move(bytes);
    on_frame(previous);
  }
}

uint64_t Fnv1a(const std::vector<uint8_t>& bytes, uint64_t hash) {
  for (const uint8_t b : bytes) {
    hash ^= b;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

namespace {

constexpr size_t kSha256Bytes = 32;

#if defined(_WIN32)
void Sha256(const std::vector<uint8_t>& bytes, unsigned char (&digest)[kSha256Bytes]) {
  ASSERT_LE(bytes.size(), ULONG{0xffffffff}) << "BCryptHash takes at most 4 GiB";
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  NTSTATUS status = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  ASSERT_TRUE(BCRYPT_SUCCESS(status)) << "BCryptOpenAlgorithmProvider: " << status;
  status = BCryptHash(algorithm, nullptr, 0, const_cast<PUCHAR>(bytes.data()),
                      static_cast<ULONG>(bytes.size()), digest, kSha256Bytes);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  EXPECT_TRUE(BCRYPT_SUCCESS(status)) << "BCryptHash: " << status;
}
#else
void Sha256(const std::vector<uint8_t>& bytes, unsigned char (&digest)[kSha256Bytes]) {
  EVP_Digest(bytes.data(), bytes.size(), digest, nullptr, EVP_sha256(), nullptr);
}
#endif

}  // namespace

std::string Sha256Prefix(const std::vector<uint8_t>& bytes) {
  unsigned char digest[kSha256Bytes] = {};
  Sha256(bytes, digest);
  char hex[17];
  for (int i = 0; i < 8; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
  return hex;
}

}  // namespace golden
