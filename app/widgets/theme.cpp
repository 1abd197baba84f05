#include "app/widgets/theme.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace moorix::Theme {

QColor panel() { return QColor::fromRgbF(0.105f, 0.098f, 0.066f); }
QColor card() { return QColor::fromRgbF(0.152f, 0.142f, 0.098f); }
QColor border() { return QColor::fromRgbF(1, 1, 1, 0.09f); }
QColor accent() { return QColor::fromRgbF(0.941f, 0.643f, 0.306f); }
QColor onAccent() { return QColor::fromRgbF(0.086f, 0.078f, 0.051f); }
QColor selection() { return QColor::fromRgbF(0.949f, 0.933f, 0.886f); }

QLinearGradient windowWash(qreal height) {
    QLinearGradient wash(0, 0, 0, height);
    wash.setColorAt(0, QColor::fromRgbF(0.128f, 0.118f, 0.08f));
    wash.setColorAt(1, panel());
    return wash;
}

QColor primaryText() { return QColor::fromRgbF(1, 1, 1, 0.92f); }
QColor secondaryText() { return QColor::fromRgbF(0.92f, 0.92f, 0.96f, 0.6f); }
QColor tertiaryText() { return QColor::fromRgbF(0.92f, 0.92f, 0.96f, 0.32f); }
QColor divider() { return QColor::fromRgbF(1, 1, 1, 0.1f); }
QColor danger() { return QColor::fromRgbF(1.0f, 0.27f, 0.23f); }
QColor healthy() { return QColor::fromRgbF(0.2f, 0.84f, 0.29f); }
QColor exposed() { return QColor::fromRgbF(1.0f, 0.62f, 0.04f); }

QPalette palette() {
    QPalette colours;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Window, panel());
        colours.setColor(group, QPalette::Base, card());
        colours.setColor(group, QPalette::AlternateBase, card());
        colours.setColor(group, QPalette::Button, card());
        colours.setColor(group, QPalette::ToolTipBase, card());
        colours.setColor(group, QPalette::WindowText, primaryText());
        colours.setColor(group, QPalette::Text, primaryText());
        colours.setColor(group, QPalette::ButtonText, primaryText());
        colours.setColor(group, QPalette::ToolTipText, primaryText());
        colours.setColor(group, QPalette::PlaceholderText, tertiaryText());
        colours.setColor(group, QPalette::Highlight, accent());
        colours.setColor(group, QPalette::HighlightedText, onAccent());
        colours.setColor(group, QPalette::Light, border());
        colours.setColor(group, QPalette::Mid, divider());
    }
    colours.setColor(QPalette::Disabled, QPalette::WindowText, tertiaryText());
    colours.setColor(QPalette::Disabled, QPalette::Text, tertiaryText());
    return colours;
}

namespace {

QFont sized(QFont font, const QStringList& preferred, int pixelSize, QFont::Weight weight) {
    font.setFamilies(preferred + QStringList{font.family()});
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

} // namespace

QFont uiFont(int pixelSize, QFont::Weight weight) {
    static const QStringList preferred{QStringLiteral("Inter"), QStringLiteral(".AppleSystemUIFont")};
    return sized(QGuiApplication::font(), preferred, pixelSize, weight);
}

QFont monoFont(int pixelSize, QFont::Weight weight) {
    static const QStringList preferred{QStringLiteral("JetBrains Mono"), QStringLiteral("SF Mono"),
                                       QStringLiteral("Menlo")};
    return sized(QFontDatabase::systemFont(QFontDatabase::FixedFont), preferred, pixelSize, weight);
}

} // namespace moorix::Theme
