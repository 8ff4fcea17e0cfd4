#pragma once
// Files and folders by path.
#include <memory>
#include <string>

namespace fw {

class Picture;
class Sound;

class FolderItem {
 public:
  explicit FolderItem(std::string path);

  const std::string& NativePath() const { return path_; }
  std::string Name() const;

  // The item of that name inside this folder (it need not exist).
  std::shared_ptr<FolderItem> Child(const std::string& name) const;
  std::shared_ptr<FolderItem> Parent() const;

  bool Exists() const;
  bool IsFolder() const;
  // Creates the folder (and any missing parents) readable by the owner only.
  bool CreateAsFolder() const;
  // Whether the item belongs to the user the program runs as; false when it
  // is missing.
  bool OwnedByUser() const;
  // Takes every permission away from everyone but the owner: a folder 0755
  // becomes 0700, a file 0644 0600; the owner's own are kept. False, with the
  // reason in *why, when the permissions could not be changed.
  bool MakePrivate(std::string* why = nullptr) const;

  // Nil when the file is missing or cannot be read as that kind.
  std::shared_ptr<Picture> OpenAsPicture() const;
  std::shared_ptr<Sound> OpenAsSound() const;

 private:
  std::string path_;
};

}  // namespace fw
