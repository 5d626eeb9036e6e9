// Screenshots of the progress dialog and the properties sheet on a real display, for a reviewer to
// look at: an import of pictures with thumbnails into an encrypted archive is photographed from
// inside the pump once it is well under way, then the File, Folder and Archive pages of that
// archive are shown one after another. Usage: progress_shots OUTPUT_FOLDER (with DISPLAY set).
#include "CCodeArchive.h"
#include "Preferences.h"
#include "ProgressDialog.h"
#include "PropertiesSheet.h"
#include "PropertyTexts.h"
#include "QtWorkspaceDialogs.h"
#include "SecretText.h"
#include "Workspace.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace quorvane;
namespace fs = std::filesystem;

const char* const kPassword = "shots-password-4711";

class AnsweringDialogs : public QtWorkspaceDialogs {
public:
    bool AskPassword(const QString& /*archiveName*/, SecretText& password, int& /*hidePassword*/) override {
        password.SetUtf8(kPassword);
        return true;
    }
    void ShowMessage(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool Confirm(const Confirmation& /*confirmation*/, bool& /*doNotShowAgain*/) override { return true; }
    void Alert(const Confirmation& /*confirmation*/, bool& /*doNotShowAgain*/) override {}
};

// Photographs the whole screen once the pump has run `atPoll` times.
class Photographer : public ProgressWindow {
public:
    Photographer(ProgressDialog& dialog, QString file, long atPoll)
        : dialog_(dialog)
        , file_(std::move(file))
        , atPoll_(atPoll) {}
    bool taken = false;

    void Open(const CCodeArchive* archive, int kind, const QString& name, int format, int quality) override {
        dialog_.Open(archive, kind, name, format, quality);
    }
    void Total(int total) override { dialog_.Total(total); }
    void Text(const QString& step, const ProgressCounts& counts) override { dialog_.Text(step, counts); }
    void Piece(int piece, int pieces) override { dialog_.Piece(piece, pieces); }
    bool Poll() override {
        const bool cancelled = dialog_.Poll();
        if (++polls_ == atPoll_ && !taken) {
            dialog_.Refresh();
            for (int i = 0; i < 20; ++i) {
                QCoreApplication::processEvents();
            }
            taken = QGuiApplication::primaryScreen()->grabWindow(0).save(file_);
        }
        return cancelled;
    }
    void Close() override { dialog_.Close(); }

private:
    ProgressDialog& dialog_;
    QString file_;
    long atPoll_;
    long polls_ = 0;
};

std::vector<std::string> MakePictures(const fs::path& folder, int count) {
    fs::create_directories(folder);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        QImage image(1600, 1200, QImage::Format_RGB32);
        QPainter painter(&image);
        for (int y = 0; y < image.height(); y += 40) {
            painter.fillRect(0, y, image.width(), 40, QColor::fromHsv((i * 37 + y / 4) % 360, 160, 220));
        }
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPoint(800, 600), 300 + i * 3, 200);
        painter.end();
        const fs::path path = folder / ("Holiday " + std::to_string(1000 + i) + ".jpg");
        image.save(QString::fromStdString(path.string()), "JPG", 90);
        paths.push_back(path.string());
    }
    return paths;
}

bool ShowSheet(const PropertyPage& page, const QString& file) {
    PropertiesSheet sheet(page);
    sheet.show();
    sheet.move(200, 100);
    for (int i = 0; i < 30; ++i) {
        QCoreApplication::processEvents();
    }
    return QGuiApplication::primaryScreen()->grabWindow(0).save(file);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: progress_shots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const fs::path work = fs::temp_directory_path() / "progress_shots";
    fs::remove_all(work);
    const std::vector<std::string> pictures = MakePictures(work / "Pictures", 40);

    CreateSettings settings;
    settings.password = kPassword;
    settings.thumbnailFormat = 8;
    settings.highQuality = false; // " - Generating Thumbnails" rather than "Anti-Aliasing"
    {
        class Quiet : public ArchiveHost {
        public:
            explicit Quiet(const CreateSettings& settings)
                : settings_(settings) {}
            void ShowMessage(Status, const std::string& text) override {
                std::fprintf(stderr, "%s\n", text.c_str());
            }
            void ShowNotice(const std::string&) override {}
            bool AskPassword(const std::string&, std::string& password) override {
                password = kPassword;
                return true;
            }
            bool AskCreateSettings(const std::string&, CreateSettings& out) override {
                out = settings_;
                return true;
            }
            bool AskConfirmPassword(std::string& password) override {
                password = kPassword;
                return true;
            }
            bool Confirm(const Prompt&) override { return true; }
            void Alert(const Prompt&) override {}
            bool ChooseFolder(std::string&) override { return false; }
            void ProgressOpen(int, const std::string&, int, int) override {}
            void ProgressTotal(int) override {}
            void ProgressText(const std::string&, const ProgressCounts&) override {}
            void ProgressPiece(int, int) override {}
            bool PollCancel() override { return false; }
            void ProgressClose() override {}

        private:
            CreateSettings settings_;
        } host(settings);
        CCodeArchive archive(host);
        const Status created = archive.Create((work / "Holiday 2026.kvq").string(), settings);
        if (created != kOk || archive.Close(true) != kOk) {
            std::fprintf(stderr, "cannot create the archive (%d)\n", created);
            return 1;
        }
    }

    Preferences prefs;
    prefs.alertPerformance = 1;
    AnsweringDialogs dialogs;
    Workspace workspace(prefs, dialogs, PosixFileSystem());
    ProgressDialog dialog;
    Photographer photographer(dialog, out + QStringLiteral("/progress-mid-import.png"), 60);
    workspace.SetProgressWindow(&photographer);
    if (const int opened = workspace.Open(QString::fromStdString((work / "Holiday 2026.kvq").string()));
        opened != kOk) {
        std::fprintf(stderr, "cannot open the archive (%d)\n", opened);
        return 1;
    }
    CCodeArchive& archive = *workspace.ArchiveAt(1);
    int folder = 0;
    if (archive.CreateFolder(0, "Beach", 1, &folder) != kOk) {
        std::fprintf(stderr, "cannot make the folder\n");
        return 1;
    }
    const std::vector<std::string> first(pictures.begin(), pictures.begin() + 30);
    const std::vector<std::string> rest(pictures.begin() + 30, pictures.end());
    if (ImportPaths(archive, first, 0, false) != kOk || ImportPaths(archive, rest, folder, false) != kOk ||
        !photographer.taken) {
        std::fprintf(stderr, "the import failed or no shot was taken\n");
        return 1;
    }

    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    const PropertyArchive figures = PropertyTexts::FromArchive(archive);
    int file = 0;
    for (int i = 0; i < archive.entryCount() && file == 0; ++i) {
        if (archive.GetName(EntryIndex(i)).ends_with(".jpg")) {
            file = i;
        }
    }
    const bool shown =
        ShowSheet(PropertyTexts::Page(PropertyPageKind::File,
                                      PropertyTexts::FromEntry(archive, EntryIndex(file)), figures, locale),
                  out + QStringLiteral("/properties-file.png")) &&
        ShowSheet(PropertyTexts::Page(PropertyPageKind::Folder,
                                      PropertyTexts::FromEntry(archive, EntryIndex::OfNumber(folder)),
                                      figures, locale),
                  out + QStringLiteral("/properties-folder.png")) &&
        ShowSheet(PropertyTexts::Page(PropertyPageKind::Archive, PropertyEntry(), figures, locale),
                  out + QStringLiteral("/properties-archive.png"));
    workspace.CloseAll();
    workspace.SetProgressWindow(nullptr);
    fs::remove_all(work);
    return shown ? 0 : 1;
}
