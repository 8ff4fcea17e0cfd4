#include "framework/SpecialFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "framework/Seams.h"

namespace fs = std::filesystem;

namespace fw {

namespace SpecialFolder {
std::shared_ptr<FolderItem> ApplicationData() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return std::make_shared<FolderItem>(xdg);
  const char* home = std::getenv("HOME");
  return std::make_shared<FolderItem>(std::string(home ? home : "") + "/.local/share");
}
}  // namespace SpecialFolder

std::shared_ptr<FolderItem> GetApplicationBundleResources() {
  if (const std::string& root = seams::BundleResourcesRoot(); !root.empty()) return std::make_shared<FolderItem>(root);
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return nullptr;
  // The program's file, its folder, that folder's parent, then "Resources".
  return std::make_shared<FolderItem>((exe.parent_path().parent_path() / "Resources").string());
}

}  // namespace fw
