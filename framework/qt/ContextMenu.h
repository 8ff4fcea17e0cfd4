#pragma once
class QPoint;

namespace fw {

class MenuItem;

// The item the user picks in a contextual menu built from base's items, or
// nil when the menu is dismissed.
MenuItem* PickContextItem(MenuItem& base, const QPoint& global);

}  // namespace fw
