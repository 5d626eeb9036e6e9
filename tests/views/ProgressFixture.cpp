#include "ProgressFixture.h"

#include "CommandIds.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>

namespace quorvane::testing {

PumpHand::PumpHand(ProgressDialog& dialog)
    : dialog_(dialog) {}

void PumpHand::Reset(long atPoll, int kind) {
    actAtPoll = atPoll;
    countFromKind = kind;
    actAtPiece = -1;
    polls = 0;
    pieces = 0;
    acted = false;
    counting_ = false;
}

void PumpHand::Open(const CCodeArchive* archive, int kind, const QString& archiveName, int thumbnailFormat,
                    int quality) {
    counting_ = counting_ || countFromKind == 0 || kind == countFromKind;
    dialog_.Open(archive, kind, archiveName, thumbnailFormat, quality);
}

void PumpHand::Total(int total) {
    dialog_.Total(total);
}

void PumpHand::Text(const QString& step, const ProgressCounts& counts) {
    dialog_.Text(step, counts);
}

void PumpHand::Piece(int piece, int count) {
    if (++pieces == actAtPiece) {
        Post();
    }
    dialog_.Piece(piece, count);
}

bool PumpHand::Poll() {
    if (counting_ && ++polls == actAtPoll) {
        Post();
    }
    return dialog_.Poll();
}

void PumpHand::Close() {
    dialog_.Close();
}

void PumpHand::Post() {
    QTimer::singleShot(0, &dialog_, [this] {
        acted = true;
        if (action) {
            action();
            return;
        }
        EXPECT_TRUE(dialog_.isVisible());
        QTest::mouseClick(dialog_.findChild<QPushButton*>(QStringLiteral("cancel")), Qt::LeftButton);
    });
}

ProgressFixture::ProgressFixture() {
    ws.SetProgressWindow(&hand);
}

ProgressFixture::~ProgressFixture() {
    ws.SetProgressWindow(nullptr);
}

int ProgressFixture::ImportByCommand(const std::vector<SourceFile>& files) {
    QStringList paths;
    for (const SourceFile& f : files) {
        fs.Put("/src/" + f.name, f.bytes);
        paths << QString::fromStdString("/src/" + f.name);
    }
    dialogs.importChoices.push_back(paths);
    UseTree();
    ShowFolder(0);
    return ws.DispatchCommand(kCmdImport);
}

std::map<std::string, std::vector<uint8_t>> ProgressFixture::FilesIn(const std::string& folder) {
    std::map<std::string, std::vector<uint8_t>> out;
    for (const DirEntry& e : fs.ListDirectory(folder).value_or(std::vector<DirEntry>{})) {
        out[e.name] = fs.Get(folder + "/" + e.name).value_or(std::vector<uint8_t>{});
    }
    return out;
}

void ProgressFixture::ExpectWindowGone() {
    EXPECT_EQ(dialog.OpenCount(), 0);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(frame.disabled) << "the frame is enabled again";
    EXPECT_FALSE(ws.Busy());
}

std::vector<SourceFile> SmallFiles(int count, const std::string& prefix) {
    std::vector<SourceFile> files;
    files.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        files.push_back(
            {prefix + std::to_string(i) + ".dat", PatternBytes(300 + 97 * static_cast<size_t>(i), i)});
    }
    return files;
}

} // namespace quorvane::testing
