#include "ui/qt/Fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QStringList>

namespace jc::ui::qt {

namespace {

QString KoreanFallback() {
  static const QString chosen = [] {
    const QStringList families = QFontDatabase::families();
    for (const char* preferred : {"NanumGothic", "Nanum Gothic", "NanumBarunGothic",
                                  "Noto Sans CJK KR", "UnDotum", "Baekmuk Gulim"}) {
      if (families.contains(QString::fromUtf8(preferred), Qt::CaseInsensitive))
        return QString::fromUtf8(preferred);
    }
    const QStringList korean = QFontDatabase::families(QFontDatabase::Korean);
    if (!korean.isEmpty()) return korean.first();
    return QGuiApplication::font().family();
  }();
  return chosen;
}

}  // namespace

QString ResolveFamily(const std::string& wanted) {
  static QHash<QString, QString> cache;
  const QString name = QString::fromStdString(wanted);
  if (auto it = cache.find(name); it != cache.end()) return *it;
  QString family = KoreanFallback();
  // An installed family is used as named; Qt takes glyphs it lacks (Hangul
  // in a Latin family) from another installed font.
  if (!name.isEmpty() && QFontDatabase::families().contains(name, Qt::CaseInsensitive))
    family = name;
  cache.insert(name, family);
  return family;
}

QFont MakeFont(const FontSpec& wanted) {
  QFont font(ResolveFamily(wanted.name));
  font.setPixelSize(wanted.height > 0 ? wanted.height : 11);
  font.setBold(wanted.bold);
  return font;
}

QColor ToQColor(Color color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

Qt::Alignment ToQtAlignment(Align align) {
  switch (align) {
    case Align::Left: return Qt::AlignLeft | Qt::AlignVCenter;
    case Align::Center: return Qt::AlignHCenter | Qt::AlignVCenter;
    case Align::Right: return Qt::AlignRight | Qt::AlignVCenter;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace jc::ui::qt
