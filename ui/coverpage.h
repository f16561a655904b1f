#pragma once
// TCoverPage: the page "Cover" (TabSheet1). The title panel keeps its distance to all four
// edges of the page, so it grows and shrinks with the window; the logo frame and the version
// pane keep their places from the top-left corner. The logo (Image2) is put in by the window
// with the other pages' pictures (ui/pictures.h). The version pane shows the product version
// of the version record in the program's executable, read once when the page is built, or
// "Value Not Available" when the executable carries no record.
//
// Thread affinity: main thread only.

#include "ui/versionrecord.h"

#include <QWidget>

#include <filesystem>
#include <memory>

namespace Ui {
class TCoverPage;
}

class QLabel;

class TCoverPage : public QWidget {
    Q_OBJECT
public:
    // executable: the file whose version record is shown (the running program's own unless a
    // test names another).
    explicit TCoverPage(QWidget* parent = nullptr,
                        const std::filesystem::path& executable = px708::kOwnExecutable);
    ~TCoverPage() override;

    QLabel* Panel9() const;
    QLabel* VersionInfoStatus1() const;
    QLabel* Image2() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void anchorTitle();

    std::unique_ptr<Ui::TCoverPage> ui;
};
