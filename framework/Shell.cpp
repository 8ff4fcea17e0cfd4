#include "framework/Shell.h"

#include <QProcess>

#include "framework/qt/QtText.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"

namespace fw {

bool LaunchUrl(const std::string& address) {
  testing::LogUrl(address);
  // The address is the launcher's one argument: no shell ever sees it.
  return QProcess::startDetached(ToQ(testing::internal::UrlLauncher()), {ToQ(address)});
}

}  // namespace fw
