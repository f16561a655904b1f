// Writes a document of docs/ as a PDF file with Qt's own PDF writer:
//   px708-docpdf SOURCE.md OUTPUT.pdf "TITLE"
// The source is Markdown (CommonMark with GitHub's tables); pictures it names are found
// relative to the source's folder. Pages are A4 with their numbers at the foot. Runs without a
// display (QT_QPA_PLATFORM=offscreen).

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: px708-docpdf SOURCE.md OUTPUT.pdf TITLE\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "px708-docpdf: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(in.readAll());

    QPdfWriter writer(output);
    writer.setTitle(QString::fromLocal8Bit(argv[3]));
    writer.setCreator(QStringLiteral("px708-docpdf"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(18, 16, 18, 16), QPageLayout::Millimeter));
    writer.setResolution(300);

    QTextDocument document;
    document.setBaseUrl(QUrl::fromLocalFile(QFileInfo(source).absolutePath() + QLatin1Char('/')));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(QStringLiteral(
        "h1 { color: #a0101c; } h2 { color: #a0101c; } h3 { color: #404040; }"
        "code { font-family: 'DejaVu Sans Mono'; } th { background-color: #e8e8e8; }"));
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    document.print(&writer);
    if (!QFileInfo(output).exists() || QFileInfo(output).size() == 0) {
        std::fprintf(stderr, "px708-docpdf: nothing written to %s\n", argv[2]);
        return 1;
    }
    return 0;
}
