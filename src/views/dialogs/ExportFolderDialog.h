#pragma once
// "Select Export Folder": Qt's own file dialog turned into a folder chooser. The field "Current
// Folder" follows the folder shown and can be edited; "Select" checks what it holds, offers to
// create a folder that does not exist, and the result always ends in exactly one separator.
#include <QFileDialog>

class QLineEdit;

namespace quorvane {

class ExportFolderDialog : public QFileDialog {
    Q_OBJECT

public:
    explicit ExportFolderDialog(const QString& startFolder, QWidget* parent = nullptr);

    // The chosen folder, ending in one separator; empty until the dialog was accepted.
    QString ResultPath() const { return result_; }
    QLineEdit* folderEdit() const { return folderEdit_; }

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* folderEdit_ = nullptr;
    QString result_;
};

} // namespace quorvane
