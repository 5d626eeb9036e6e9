#pragma once
// The program's help: HTML pages in the resources shown in a small window of its own, so that help
// works offline and without a web browser. The Help menu, the toolbar's help button and the dialogs'
// Help buttons all come here.
#include <QPointer>
#include <QString>
#include <QWidget>

#include <vector>

class QTextBrowser;
class QPushButton;

namespace quorvane {

enum class HelpTopic {
    Contents,
    Archives,
    Importing,
    Organising,
    RecycleBin,
    Exporting,
    Viewing,
    AutoClose,
    Preferences,
    Security,
    Keyboard,
};

const std::vector<HelpTopic>& AllHelpTopics();

// The page of a topic, as a resource URL ("qrc:/help/….html").
QString HelpTopicUrl(HelpTopic topic);

// The topic a dialog's Help button opens (its resource number, StringTable.h's DialogId); the
// contents for one without a page of its own.
HelpTopic HelpTopicOfDialog(int resource);

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void ShowTopic(HelpTopic topic);
    QTextBrowser* browser() const { return browser_; }

    // The one help window of the program, made on first use, shown at `topic` and brought to the front.
    static HelpWindow* Open(HelpTopic topic);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QTextBrowser* browser_ = nullptr;
    QPointer<QWidget> returnTo_; // the window that was active when help was asked for
    QPushButton* back_ = nullptr;
    QPushButton* forward_ = nullptr;
};

// The handler QtWorkspaceDialogs::SetHelpHandler takes: opens the topic of the dialog.
void ShowDialogHelp(int resource);

} // namespace quorvane
