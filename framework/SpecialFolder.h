#pragma once
// The well-known folders of the program.
#include <memory>

#include "framework/FolderItem.h"

namespace fw {

namespace SpecialFolder {
// $XDG_DATA_HOME, by default ~/.local/share.
std::shared_ptr<FolderItem> ApplicationData();
}  // namespace SpecialFolder

// The bundle's resources: the executable's folder, its parent, then "Resources".
std::shared_ptr<FolderItem> GetApplicationBundleResources();

}  // namespace fw
