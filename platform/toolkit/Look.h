// Inside the toolkit: how a control is placed and drawn from its design table.
// The program's font, palette, style and Romanian texts for Qt's own widgets
// are installed by InstallLook (Program.h).
#pragma once

#include "platform/toolkit/Design.h"

#include <QPalette>
#include <QString>

class QWidget;

namespace tarvix {

namespace detail {

// A caption without its access-key marks: "&Caută" -> "Caută", "&&" -> "&".
QString StripAccel(const QString& caption);
// Position and size from the design table (twips).
void PlaceWidget(QWidget* w, const ControlDef& def);
// Bold and back colour from the design table; role is where the colour goes.
void ApplyLook(QWidget* w, const ControlProps& props, QPalette::ColorRole role);
// The windows are drawn white whatever the desktop's theme, so every colour
// that goes with that white is fixed too: dark text, selection, disabled text.
QPalette LightPalette();

}  // namespace detail

}  // namespace tarvix
