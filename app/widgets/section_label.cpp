#include "app/widgets/section_label.h"

#include "app/services/l10n.h"
#include "app/widgets/theme.h"
#include "app/widgets/themed_label.h"

#include <QLocale>

namespace moorix {

SectionLabel::SectionLabel(QWidget* parent) : QLabel(parent) {
    QFont font = Theme::uiFont(10, QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.6);
    setFont(font);
    setTextColor(this, Theme::secondaryText());
    // Room above for the marks of accented capitals (Ö, Ü), which reach past the font's ascent at small
    // sizes.
    setContentsMargins(4, 2, 4, 8);
}

void SectionLabel::setTitle(const QString& title) {
    setText(QLocale(QString::fromStdString(L10n::language())).toUpper(title));
}

} // namespace moorix
