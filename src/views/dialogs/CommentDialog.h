#pragma once
// "Edit Comment" (12323): an item's comment, at most 128 characters.
#include <QDialog>

class QLineEdit;

namespace quorvane {

class CommentDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxComment = 128;

    explicit CommentDialog(const QString& comment, QWidget* parent = nullptr);

    QString Comment() const;

private:
    QLineEdit* edit_ = nullptr;
};

} // namespace quorvane
