#include "framework/FolderItem.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "framework/Picture.h"
#include "framework/Sound.h"

namespace fs = std::filesystem;

namespace fw {

FolderItem::FolderItem(std::string path) : path_(std::move(path)) {}

std::string FolderItem::Name() const { return fs::path(path_).filename().string(); }

std::shared_ptr<FolderItem> FolderItem::Child(const std::string& name) const {
  return std::make_shared<FolderItem>((fs::path(path_) / name).string());
}

std::shared_ptr<FolderItem> FolderItem::Parent() const {
  return std::make_shared<FolderItem>(fs::path(path_).parent_path().string());
}

bool FolderItem::Exists() const {
  std::error_code ec;
  return fs::exists(path_, ec);
}

bool FolderItem::IsFolder() const {
  std::error_code ec;
  return fs::is_directory(path_, ec);
}

bool FolderItem::CreateAsFolder() const {
  // Parents first; every folder made here is private to the user.
  const fs::path p(path_);
  std::error_code ec;
  if (fs::is_directory(p, ec)) return true;
  if (p.has_parent_path() && p.parent_path() != p && !fs::is_directory(p.parent_path(), ec)) {
    if (!FolderItem(p.parent_path().string()).CreateAsFolder()) return false;
  }
  return ::mkdir(path_.c_str(), 0700) == 0 || fs::is_directory(p, ec);
}

bool FolderItem::OwnedByUser() const {
  struct stat st {};
  return ::stat(path_.c_str(), &st) == 0 && st.st_uid == ::geteuid();
}

bool FolderItem::MakePrivate(std::string* why) const {
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0 ||
      ((st.st_mode & 077) != 0 && ::chmod(path_.c_str(), st.st_mode & 07700) != 0)) {
    if (why) *why = std::strerror(errno);
    return false;
  }
  return true;
}

std::shared_ptr<Picture> FolderItem::OpenAsPicture() const {
  if (!Exists() || IsFolder()) return nullptr;
  return Picture::Load(path_);
}

std::shared_ptr<Sound> FolderItem::OpenAsSound() const {
  if (!Exists() || IsFolder()) return nullptr;
  return Sound::Load(path_);
}

}  // namespace fw
