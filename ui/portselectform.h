#pragma once
// TPortSelectForm: "Select Port", shown when the port component is asked to open without a
// port number. It lists the ports that can be opened now as "COMn"; the first is preselected.
//
// Thread affinity: main thread only.

#include <QDialog>

#include <memory>
#include <vector>

class QPushButton;

namespace Ui {
class PortSelectForm;
}

class TPortSelectForm : public QDialog {
    Q_OBJECT
public:
    explicit TPortSelectForm(const std::vector<int>& availablePorts, QWidget* parent = nullptr);
    ~TPortSelectForm() override;

    // The number of the selected entry (its text from the fourth character on), 0 when the
    // list is empty.
    int selectedPort() const;

    QPushButton* okButton() const;

    // Runs the dialog (through runModal) and returns the chosen port, or 0 when cancelled.
    static int choosePort(const std::vector<int>& availablePorts, QWidget* parent);

private:
    std::unique_ptr<Ui::PortSelectForm> ui;
};
