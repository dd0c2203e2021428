#include "desktop/desktop_look.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QStyleFactory>

#include "desktop/fonts.h"
#include "windows/program_icon.h"

void apply_desktop_look() {
    const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                              QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
    QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(window_font(QStringLiteral("MS Sans Serif"), 8.25));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(program_icon())));
}
