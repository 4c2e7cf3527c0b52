// Draws the connection guide's pictures and the program's icons into the resources
// folder. Run it after changing any drawing; the files it writes are committed.
#include "Files.h"
#include "Pictures.h"

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>

#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

QList<files::IconImage> iconImages(bool withLarge)
{
    QList<files::IconImage> images;
    for (int bits : { 8, 32 })
        for (int size : { 16, 32, 48 })
            images.append({ pictures::icon(size), bits });
    if (withLarge)
        images.append({ pictures::icon(256), 32, true });
    return images;
}

void requireFonts()
{
    const QStringList families = QFontDatabase::families();
    for (const char* family : { "DejaVu Sans", "DejaVu Sans Condensed" })
        if (!families.contains(QLatin1String(family)))
            throw std::runtime_error(std::string("the font is not installed: ") + family);
}

} // namespace

int main(int argc, char** argv)
{
    // Drawing needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-pictures RESOURCES-FOLDER\n");
        return 2;
    }
    try {
        requireFonts();
        const QDir root(QString::fromLocal8Bit(argv[1]));
        if (!root.mkpath(QStringLiteral("pictures"))
            || !root.mkpath(QStringLiteral("icons/hicolor")))
            throw std::runtime_error("cannot create the output folders");
        auto out = [&](const char* name) { return root.filePath(QString::fromLatin1(name)); };

        files::writeBmp24(pictures::oneLine(), out("pictures/tek-hat.bmp"));
        files::writeBmp24(pictures::twoLines(), out("pictures/iki-hat.bmp"));
        files::writeBmp24(pictures::fourLines(), out("pictures/dort-hat.bmp"));
        files::writeJpeg(pictures::splitterExplained(), out("pictures/splitter-nedir.jpg"), 93);
        const QImage adsl = pictures::adslWiring();
        files::writeJpeg(adsl, out("pictures/adsl-baglanti.jpg"), 93);
        files::writeBmp24(pictures::deviceThumbnail(), out("pictures/kucuk-cihaz.bmp"));
        files::writeBmp24(pictures::adslThumbnail(adsl), out("pictures/kucuk-adsl.bmp"));

        files::writeIco(iconImages(false), out("icons/pencere.ico"));
        files::writeIco(iconImages(true), out("icons/program.ico"));
        // The desktop's icon theme, one picture per size the menus and software
        // centres ask for.
        for (int size : { 16, 32, 48, 128, 256 }) {
            const QString name = QStringLiteral("icons/hicolor/%1x%1.png").arg(size);
            if (!pictures::icon(size).save(root.filePath(name), "PNG"))
                throw std::runtime_error("cannot write " + name.toStdString());
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-pictures: %s\n", error.what());
        return 1;
    }
    return 0;
}
