#pragma once
// The Help menu's commands: the help topics, the home page, support and updates addresses, and the
// About box. The main window hands every command id here first; RunHelpCommand says whether it was one.
#include <QUrl>

#include <functional>

class QDialog;
class QSettings;
class QWidget;

namespace quorvane {

struct WebAddresses {
    QUrl homePage;
    QUrl support; // a mailto: address, or a web page
    QUrl updates;
};

WebAddresses DefaultWebAddresses();

// The addresses from the settings' group "Web" (keys "HomePage", "Support", "Updates"). A missing
// value, or one that is not an http(s) address (or mailto: for support), gives the default: a
// setting must never make the program open a local file or run something.
WebAddresses LoadWebAddresses(QSettings& settings);

using UrlOpener = std::function<bool(const QUrl&)>;

// Opens the address of 8500, 8501 or 8502 with `open` (the desktop's handler by default). False for
// any other command and when opening failed; a failure shows nothing.
bool OpenWebCommand(int command, const WebAddresses& addresses, const UrlOpener& open = {});

// The About box, "About Quorvane"; not yet shown.
QDialog* MakeAboutBox(QWidget* parent);
void ShowAboutBox(QWidget* parent);

// Runs `command` when it is a help, web or About command (with the program's settings for the
// addresses) and returns true; false for every other command.
bool RunHelpCommand(int command, QWidget* parent);

} // namespace quorvane
