#include "framework/Shell.h"

#include <QProcess>

#include "framework/Seams.h"
#include "framework/qt/QtText.h"

namespace fw {

bool LaunchUrl(const std::string& address) {
  if (const seams::UrlObserver& observe = seams::CurrentUrlObserver()) observe(address);
  // The address is the launcher's one argument: no shell ever sees it.
  return QProcess::startDetached(ToQ(seams::UrlOpener()), {ToQ(address)});
}

}  // namespace fw
