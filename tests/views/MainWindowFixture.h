#pragma once
// The main window over the real file system in a temporary folder, with its settings in an INI file
// there, and archives made for it beforehand (built in memory by the engine, then written out).
#include "ArchiveFixtures.h"
#include "CCodeMain.h"
#include "FileLayer.h"
#include "ImageSamples.h"
#include "MemoryFileSystem.h"
#include "ScriptedHost.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvane::testing {

// What a prepared archive holds: folders at the top level, each with its pictures.
struct PreparedFolder {
    std::string name;
    std::vector<std::string> images;
};

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        settingsPath = dir.filePath(QStringLiteral("Quorvane.conf"));
    }
    void TearDown() override {
        if (window) {
            window->close();
            window.reset();
        }
    }

    // Writes preferences before the window reads them.
    void Preset(const QString& key, const QVariant& value) {
        QSettings settings(settingsPath, QSettings::IniFormat);
        settings.setValue(QStringLiteral("Preferences/") + key, value);
    }
    QVariant Stored(const QString& key) const {
        QSettings settings(settingsPath, QSettings::IniFormat);
        return settings.value(QStringLiteral("Preferences/") + key);
    }

    // The window, `width` x `height`, on screen. The welcome prompt is off unless asked for.
    void MakeWindow(int width = 1000, int height = 600, bool welcome = false) {
        if (!welcome) {
            Preset(QStringLiteral("DG1"), 1);
        }
        window = std::make_unique<CCodeMain>(std::make_unique<QSettings>(settingsPath, QSettings::IniFormat),
                                             PosixFileSystem());
        window->resize(width, height);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // Shortcuts reach only the active window.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QCoreApplication::processEvents();
    }

    // An archive at <dir>/<name>.kvq holding `folders`; its path.
    QString PrepareArchive(const std::string& name, const CreateSettings& settings,
                           const std::vector<PreparedFolder>& folders) {
        MemoryFileSystem memory;
        ScriptedHost host;
        const std::string inMemory = "/a/" + name + ".kvq";
        {
            std::unique_ptr<CCodeArchive> archive = MakeArchive(memory, host, inMemory, settings);
            if (!archive) {
                ADD_FAILURE() << "archive not made";
                return {};
            }
            unsigned seed = 1;
            for (const PreparedFolder& folder : folders) {
                int number = 0;
                EXPECT_EQ(archive->CreateFolder(0, folder.name, 1, &number), kOk);
                std::vector<SourceFile> files;
                for (const std::string& image : folder.images) {
                    files.push_back(
                        {image, EncodedImage(60 + static_cast<int>(seed % 5), 40, "jpeg", -1, seed)});
                    ++seed;
                }
                if (!files.empty()) {
                    EXPECT_EQ(ImportFiles(*archive, memory, number, files, "/src/" + folder.name), kOk);
                }
            }
            EXPECT_EQ(archive->Close(true), kOk);
        }
        const std::optional<std::vector<uint8_t>> bytes = memory.Get(inMemory);
        const QString path = dir.filePath(QString::fromStdString(name) + QStringLiteral(".kvq"));
        QFile out(path);
        if (!bytes || !out.open(QIODevice::WriteOnly) ||
            out.write(reinterpret_cast<const char*>(bytes->data()), static_cast<qint64>(bytes->size())) !=
                static_cast<qint64>(bytes->size())) {
            ADD_FAILURE() << "archive not written";
            return {};
        }
        return path;
    }

    QTemporaryDir dir;
    QString settingsPath;
    std::unique_ptr<CCodeMain> window;
};

} // namespace quorvane::testing
