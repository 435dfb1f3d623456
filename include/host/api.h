// Import/export markers of the host's three libraries. The module is built
// against these declarations and links the host's libraries like import
// libraries; the libraries themselves define the *_BUILD macros.
#pragma once

#if defined(_WIN32)
#define HOST_API_EXPORT __declspec(dllexport)
#define HOST_API_IMPORT __declspec(dllimport)
#else
#define HOST_API_EXPORT __attribute__((visibility("default")))
#define HOST_API_IMPORT __attribute__((visibility("default")))
#endif

#if defined(HOST_CORE_BUILD)
#define HOST_CORE_API HOST_API_EXPORT
#else
#define HOST_CORE_API HOST_API_IMPORT
#endif

#if defined(HOST_MEDIA_BUILD)
#define HOST_MEDIA_API HOST_API_EXPORT
#else
#define HOST_MEDIA_API HOST_API_IMPORT
#endif

#if defined(HOST_SERVICE_BUILD)
#define HOST_SERVICE_API HOST_API_EXPORT
#else
#define HOST_SERVICE_API HOST_API_IMPORT
#endif
