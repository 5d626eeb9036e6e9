#pragma once
// The user's settings: read once when the main window is made, written back once at shutdown,
// read and changed directly by the rest of the program in between. Stored through QSettings
// ("KVQ", "Quorvane"), group "Preferences", one value per setting under its short name.
//
// A value that is missing or unreadable takes its default. Values out of range are brought into
// range on load, so that a damaged settings file cannot make the slideshow spin, close archives at
// once or lay the window out with negative widths.
#include "SecretText.h"

#include <QDate>
#include <QSettings>
#include <QString>

#include <cstdint>

namespace quorvane {

class Preferences {
public:
    // Find ("FC", "FW", "FS"; the find text under "FindText").
    int findMatchCase = 0;
    int findExactMatch = 0;
    int findStart = 0; // entry number at which the last search stopped; 0 = none
    QString findText;

    // Slideshow.
    int slideDelay = 15;       // "SW", seconds 0..900
    int slideAutoAdvance = 1;  // "SX"
    int slideShowInfo = 0;     // "SI"
    int slideSR = 1;           // "SR", kept as read
    int slideSZ = 0;           // "SZ", kept as read
    int slideShowComments = 1; // "SU"
    int slidesPerScreen = 1;   // "SP": 1, 2, 3, 4, 6 or 8

    // Auto close.
    int autoCloseWait = 10; // "TW", minutes 1..60
    int autoCloseOn = 1;    // "TX"
    int closeOnLock = 1;    // "LX": close every archive when the screen locks or the machine suspends

    // Archive Properties and the password dialogs.
    int hidePassword = 1;                   // "PH"
    int encryptionEnabled = 1;              // "PX"
    int thumbnailsEnabled = 1;              // "IN"
    int thumbnailFormat = 8;                // "IS", 1..8
    int highQualityThumbnails = 1;          // "IH"
    uint32_t encryptionMethod = 0x0CAB0001; // "ET"; every run starts with Twofish

    // Preview and slideshow background, 0x00BBGGRR ("CR", "CG", "CB"), and "Fit in Window" ("PS").
    uint32_t backgroundColour = 0;
    int previewFit = 1;

    // Alert flags: 0 shows the dialog, 1 suppresses it.
    int alertDelete = 0;          // "DD"
    int alertEmptyBin = 0;        // "DT"
    int alertClose = 0;           // "DC"
    int alertDefragCancelled = 0; // "DE"
    int alertFileOpen = 0;        // "DF"
    int alertUnused = 0;          // "DA"
    int alertPerformance = 0;     // "DB"
    int alertWelcome = 0;         // "DG1"
    int alertGettingStarted = 0;  // "DG2"
    int alertUpdate = 1;          // "DU"

    // The update reminder's due date.
    int updateMonth = 6;   // "UM"
    int updateYear = 2000; // "UY"

    // Main window.
    int treeWidth = 180;  // "MTW"
    int listWidth = 180;  // "MLW"
    int listViewMode = 2; // "MLS": 0 small icons, 1 large icons, 2 thumbnails, 3 list, 4 details

    // Folders last used to open or create an archive ("FLDA") and to import ("FLDB").
    QString archiveFolder;
    QString importFolder;

    // Never stored: the password of the create and password dialogs, and the General page's
    // request to show every alert again.
    SecretText password;
    int enableAllAlerts = 0;

    // The defaults of a first start.
    Preferences();

    // Reads every value; `todayUtc` is the date the update reminder is measured against.
    void Load(QSettings& settings, QDate todayUtc);
    void Load(QSettings& settings);
    // Writes every value back (the alert request is dropped first, never stored).
    void Save(QSettings& settings);

    // When the General page asked for it: every alert flag but the update reminder's back to 0.
    void ApplyAlertReset();

    // The alert flag stored under `key` ("DD", "DT", ...), or null for any other name.
    int* AlertFlag(const QString& key);

    uint8_t backgroundRed() const { return backgroundColour & 0xFF; }
    uint8_t backgroundGreen() const { return (backgroundColour >> 8) & 0xFF; }
    uint8_t backgroundBlue() const { return (backgroundColour >> 16) & 0xFF; }

    // A stored column width as the frame may use it in a window `available` pixels wide.
    static int ColumnWidth(int stored, int available);

    // The folder a file dialog starts in when none is remembered: the Pictures folder, else home.
    static QString DefaultFolder();

    static constexpr int kMaxColumnWidth = 16000;
    static constexpr int kMaxFindText = 128;
};

} // namespace quorvane
