#include "framework/SpecialFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "framework/Seams.h"

namespace fs = std::filesystem;

namespace fw {

namespace SpecialFolder {
std::shared_ptr<FolderItem> ApplicationData() {
  if (const std::string& root = seams::ApplicationDataRoot(); !root.empty()) return std::make_shared<FolderItem>(root);
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
  return BundleResourcesOf(exe.string());
}

std::shared_ptr<FolderItem> BundleResourcesOf(const std::string& program_file) {
  // The program's file, its folder, that folder's parent, then "Resources".
  const fs::path file(program_file);
  const fs::path top = file.parent_path().parent_path();
  const fs::path beside = top / "Resources";
  const fs::path installed = top / "share" / file.filename();
  std::error_code ec;
  if (!fs::is_directory(beside, ec) && fs::is_directory(installed, ec))
    return std::make_shared<FolderItem>(installed.string());
  return std::make_shared<FolderItem>(beside.string());
}

}  // namespace fw
