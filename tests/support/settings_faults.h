#pragma once
// The settings file made unwritable the ways a user meets it, for as long as an UnwritableSettings lives:
// - a read-only settings folder: chmod, or, where the tests run as root (whom chmod does not stop), the store's
//   simulated disk that takes no byte;
// - a full disk: the store's simulated disk with room for a few bytes, so that the write starts and fails;
// - a file where the settings folder belongs: the folder, and so the file, cannot be made (no earlier file).
// On creation the store is flushed, so the file holds everything set so far: that is the earlier file the failed
// writes must leave as it is. The pending changes stay in the store when it ends; the next flush writes them.
#include "core/Errors.h"
#include "core/MessageTexts.h"
#include "core/Settings.h"
#include "core/UiServices.h"
#include "library/Messages.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <gtest/gtest.h>

#include <vector>

#include <unistd.h>

namespace vemra::test {

enum class SettingsFault { ReadOnlyFolder, FullDisk, FolderIsAFile };

inline const char* SettingsFaultName(SettingsFault fault)
{
    switch (fault) {
    case SettingsFault::ReadOnlyFolder: return "a read-only settings folder";
    case SettingsFault::FullDisk: return "a full disk";
    case SettingsFault::FolderIsAFile: return "a file in place of the settings folder";
    }
    return "";
}

inline QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The text of the message that says so, as the error box shows it.
inline QString SettingsNotSavedText()
{
    return MessageText(msg::SettingsNotSaved) + QLatin1Char('\n') + QDir::toNativeSeparators(SettingsFilePath());
}

// How many of these boxes said so; each must name the file.
inline int SettingsNotSavedMessages(const std::vector<MessageRequest>& shown)
{
    int n = 0;
    for (const MessageRequest& r : shown)
        if (r.title == QStringLiteral("Vemra - error (%1)").arg(msg::SettingsNotSaved)) {
            EXPECT_EQ(r.text, SettingsNotSavedText());
            ++n;
        }
    return n;
}

// The program's message for a failed write while it lives, as Main installs it.
struct SettingsNotSavedMessage {
    SettingsNotSavedMessage() { InstallSettingsNotSavedMessage(); }
    ~SettingsNotSavedMessage() { SetSettingsNotSavedReport({}); }
    SettingsNotSavedMessage(const SettingsNotSavedMessage&) = delete;
    SettingsNotSavedMessage& operator=(const SettingsNotSavedMessage&) = delete;
};

class UnwritableSettings {
public:
    // Less than any settings file holds: a smaller file than the earlier one would still fit on a fuller disk.
    static constexpr std::int64_t kFullDiskBytes = 8;

    explicit UnwritableSettings(SettingsFault fault)
        : fault_(fault), file_(SettingsFilePath()), folder_(QFileInfo(file_).absolutePath())
    {
        FlushSettings();
        before_ = FileBytes(file_);
        switch (fault_) {
        case SettingsFault::ReadOnlyFolder:
            if (geteuid() != 0)
                QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            else
                SimulateSettingsDiskSpace(0);
            break;
        case SettingsFault::FullDisk:
            SimulateSettingsDiskSpace(kFullDiskBytes);
            break;
        case SettingsFault::FolderIsAFile: {
            QDir().rename(folder_, aside());
            QFile blocker(folder_);
            blocker.open(QIODevice::WriteOnly);
            break;
        }
        }
    }
    ~UnwritableSettings()
    {
        SimulateSettingsDiskSpace(std::nullopt);
        QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (fault_ == SettingsFault::FolderIsAFile) {
            QFile::remove(folder_);
            QDir().rename(aside(), folder_);
        }
    }
    UnwritableSettings(const UnwritableSettings&) = delete;
    UnwritableSettings& operator=(const UnwritableSettings&) = delete;

    // The file as it was when the fault began, and as it is now (wherever the fault put it).
    const QByteArray& before() const { return before_; }
    QByteArray now() const
    {
        return FileBytes(fault_ == SettingsFault::FolderIsAFile ? aside() + QStringLiteral("/") +
                                                                      QFileInfo(file_).fileName()
                                                                : file_);
    }

private:
    QString aside() const { return folder_ + QStringLiteral(".aside"); }

    SettingsFault fault_;
    QString file_;
    QString folder_;
    QByteArray before_;
};

} // namespace vemra::test
