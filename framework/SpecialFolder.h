#pragma once
// The well-known folders of the program.
#include <memory>
#include <string>

#include "framework/FolderItem.h"

namespace fw {

namespace SpecialFolder {
// $XDG_DATA_HOME, by default ~/.local/share.
std::shared_ptr<FolderItem> ApplicationData();
}  // namespace SpecialFolder

// The bundle's resources of the running program (BundleResourcesOf its file).
std::shared_ptr<FolderItem> GetApplicationBundleResources();
// The resources of a program file P in a folder X/bin: X/Resources beside the
// build's bin/, else X/share/<P's name> where an install puts them; X/Resources
// when neither is there.
std::shared_ptr<FolderItem> BundleResourcesOf(const std::string& program_file);

}  // namespace fw
