#pragma once

#include <QIcon>

namespace velmora {

// The program's icon and the toolbar's, drawn rather than loaded: each a
// few strokes on a 24-pixel grid.
QIcon AppIcon();
QIcon ToolbarIcon(int commandId);

}  // namespace velmora
