#pragma once
// Turning the models' fonts, colours and alignments into Qt ones. The window
// names "Tahoma" and "맑은 고딕"; where a family is not installed the text
// falls back to an installed family that has Hangul, so Korean captions
// never show as boxes.
#include <QColor>
#include <QFont>
#include <QString>

#include "ui/Controls.h"

namespace jc::ui::qt {

// The family to use for a wanted one: the wanted family when installed, else
// an installed family with Korean glyphs (Nanum Gothic first), else the
// application's default family.
QString ResolveFamily(const std::string& wanted);

// A font of the requested family (resolved as above), pixel height and weight.
QFont MakeFont(const FontSpec& wanted);

// 0x00BBGGRR to a Qt colour.
QColor ToQColor(Color color);

Qt::Alignment ToQtAlignment(Align align);

}  // namespace jc::ui::qt
