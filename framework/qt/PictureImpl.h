#pragma once
#include <QImage>

#include "framework/Picture.h"

namespace fw {

struct Picture::Impl {
  QImage image;
};

}  // namespace fw
