#pragma once

// The stand-in host is a shared library on Linux (a module a plug-in can bind
// to by file name) and part of the host executable on Windows.
#if defined(_WIN32)
#define VINTRAX_HOSTSIM_API
#define VINTRAX_HOST_EXPORT extern "C" __declspec(dllexport)
#else
#define VINTRAX_HOSTSIM_API __attribute__((visibility("default")))
#define VINTRAX_HOST_EXPORT extern "C" __attribute__((visibility("default")))
#endif
