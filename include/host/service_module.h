// The record through which a plug-in module describes the services it offers.
#pragma once

#include <cstdint>

#include "host/service.h"

struct ServiceModuleInfo {
  const char* first_id;                          // GUID string
  const char* name;                              // display name
  const char* second_id;                         // GUID string
  const void* reserved4;                         // null
  const void* reserved5;                         // null
  service::IService* (*create)();                // makes the service
  void (*destroy)(service::IService* service);   // disposes of one
};

static_assert(sizeof(ServiceModuleInfo) == 7 * sizeof(void*), "seven pointer-sized fields");

// The module's one export: the address of its first record and their count.
using GetServiceModuleInfoFn = bool (*)(const ServiceModuleInfo** info, uint32_t* count);
