// The host's core library: logging and the tagged value type.
#pragma once

#include <cstdint>
#include <stdexcept>

#include "host/api.h"

// Writes one log line: a tag, a numeric level and a printf-style message.
extern "C" HOST_CORE_API void CoreLogPrint(const char* tag, int32_t level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

namespace core {

// Thrown when a ValAny is read as a type other than the one it holds.
class HOST_CORE_API AnyBadAccess : public std::logic_error {
public:
  AnyBadAccess();
  ~AnyBadAccess() override;
};

// A tagged value: the payload first (a bool sits in its first byte), the
// 32-bit type tag 8 bytes in.
class ValAny {
public:
  enum Tag : uint32_t { kEmpty = 0, kBool = 1, kInt64 = 2, kDouble = 3, kString = 4 };

  ValAny() : payload_{}, tag_(kEmpty) {}
  explicit ValAny(bool value) : payload_{}, tag_(kBool) { payload_.b = value; }
  explicit ValAny(int64_t value) : payload_{}, tag_(kInt64) { payload_.i = value; }
  explicit ValAny(double value) : payload_{}, tag_(kDouble) { payload_.d = value; }
  explicit ValAny(const char* value) : payload_{}, tag_(kString) { payload_.s = value; }

  uint32_t tag() const { return tag_; }

  bool AsBool() const { return tag_ == kBool ? payload_.b : throw AnyBadAccess(); }
  int64_t AsInt64() const { return tag_ == kInt64 ? payload_.i : throw AnyBadAccess(); }
  double AsDouble() const { return tag_ == kDouble ? payload_.d : throw AnyBadAccess(); }
  const char* AsString() const { return tag_ == kString ? payload_.s : throw AnyBadAccess(); }

private:
  union Payload {
    bool b;
    int64_t i;
    double d;
    const char* s;
  } payload_;
  uint32_t tag_;
};

static_assert(sizeof(ValAny) == 16, "ValAny: 8-byte payload, then the tag");

}  // namespace core
