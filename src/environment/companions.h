#pragma once
// Files that belong with the plug-in and sit beside it, named after the plug-in's own file.

#include <optional>
#include <string>

#include "platform/library.h"

namespace zenta::environment {

enum class Companion : int {
    ConfigurationLibrary = 0,  // base + "_ui.dll"
    Help = 1,                  // base + ".chm"
    RenderPlugin = 2,          // base + "_ps.dll": this library under its canonical name
    UserModeLibrary = 3,       // base + "_umpd.dll"
    TabDocumentLibrary = 4,    // base + ".dll": CreateTabDocument
    PclPlugin = 5,             // base + "_pcl.dll"
    LanguageFile = 6,          // base + ".lng": additional languages
    NotificationLibrary = 7,   // base + "_n.dll": BdcSetNotifyPrint
    SystemBase = 8,            // system directory + "\" + base file name, for a plug-in inside it
};

// The companion's full path, derived from the module's file name; nothing when the module's
// name cannot be had or does not end in the system's library extension.
std::optional<std::u16string> companion_file_name(void* module, Companion kind);

// Loads a companion library (an empty Library when it is missing).
platform::Library load_companion(void* module, Companion kind);

}  // namespace zenta::environment
