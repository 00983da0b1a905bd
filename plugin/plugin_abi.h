// The seven functions the plug-in exports to the host, and their function-pointer
// types for a host that looks them up by name.
//
// All take and return plain C types; nothing is thrown across them. Strings the
// plug-in hands out are NUL-terminated, live as long as the library is loaded and
// must not be written or freed.
#pragma once

#include <cstdint>

#include "host/host_types.h"

#if defined(_WIN32)
#define VINTRAX_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define VINTRAX_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Host versions below this are declined.
constexpr std::uint32_t kLowestHostVersion = 0x2490;
// MQCheckVersion's answer to an accepted host.
constexpr std::uint32_t kPluginVersionAnswer = 0x249;
constexpr std::uint32_t kPluginIdFirst = 0xB3A8500C;
constexpr std::uint32_t kPluginIdSecond = 0xC777497C;
constexpr int kPluginTypeCommand = 4;
constexpr int kUpdateClonesCommand = 0;

extern "C" {

// Writes the first identifier word through `first` and the second through `second`.
typedef void(VINTRAX_CALL* MQGetPlugInIDProc)(std::uint32_t* first, std::uint32_t* second);
// The display name.
typedef const char*(VINTRAX_CALL* MQGetPlugInNameProc)(void);
// 4: a plug-in whose commands run through MQModifyObject.
typedef int(VINTRAX_CALL* MQGetPlugInTypeProc)(void);
// The label of command `index`, or null past the last command (and for negatives).
typedef const char*(VINTRAX_CALL* MQEnumStringProc)(int index);
// 0x249 for a host version of 0x2490 or above (unsigned), else 0.
typedef std::uint32_t(VINTRAX_CALL* MQCheckVersionProc)(std::uint32_t hostVersion);
// Binds the host functions from the module `hostModuleFileName`. 1 when all 140
// were found, else 0. Commands need a successful call first.
typedef int(VINTRAX_CALL* MQInitProc)(const char* hostModuleFileName);
// Runs command `index` on `document`. 1 when the document was changed, else 0.
// 0 without touching anything for an unknown index or an unbound host.
typedef int(VINTRAX_CALL* MQModifyObjectProc)(int index, DocumentHandle document);

}  // extern "C"
