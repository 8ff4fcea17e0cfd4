#include "framework/Picture.h"

#include <QImageReader>

#include "framework/qt/PictureImpl.h"
#include "framework/qt/QtText.h"

namespace fw {

Picture::Picture() : impl_(std::make_unique<Impl>()) {}
Picture::~Picture() = default;

std::shared_ptr<Picture> Picture::Load(const std::string& path) {
  QImageReader reader(ToQ(path));
  QImage image = reader.read();
  if (image.isNull()) return nullptr;
  std::shared_ptr<Picture> p(new Picture());
  p->impl_->image = std::move(image);
  return p;
}

int Picture::Width() const { return impl_->image.width(); }
int Picture::Height() const { return impl_->image.height(); }

}  // namespace fw
