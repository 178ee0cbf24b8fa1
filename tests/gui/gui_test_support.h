#pragma once
// What the widget tests share: the program's own settings, recording stand-ins for message
// boxes and file dialogs, and a guard that answers or fails every modal dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>

#include "editors/form1.h"
#include "tests/unit/test_support.h"

// GoogleTest shows Qt strings as text, not as their bytes.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace zolvantek::test_support {

// The program's own settings: the registry on Windows, below the run's XDG_CONFIG_HOME elsewhere.
inline CRegSettings& ProgramSettings() {
    static CRegSettings settings = [] {
        CRegSettings made;
        made.SetCompany(kSettingsCompany);
        made.SetAppName(kSettingsAppName);
        return made;
    }();
    return settings;
}

// The list section holds exactly the "Name=value" lines of `text` afterwards.
inline void WriteSettingsFile(const QString& text) {
    ProgramSettings().DeleteSetting(kListSection);
    std::vector<std::pair<std::string, std::string>> values;
    for (const QString& line : text.split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && !line.startsWith(u'[')) {
            values.emplace_back(line.left(equals).toLocal8Bit().toStdString(),
                                line.mid(equals + 1).toLocal8Bit().toStdString());
        }
    }
    if (!values.empty()) ProgramSettings().SaveSettings(kListSection, values);
}

class RecordingMessages : public MessageBoxes {
public:
    void Show(QWidget* over, const QString& text, const QString& caption) override {
        texts << text;
        captions << caption;
        owners << (over ? over->objectName() : QString());
        // A real box waits in an event loop of its own; so does this one, for a moment.
        if (waits) {
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
    }
    bool waits = false;
    QStringList texts, captions, owners;
};

// Answers every open-file dialog with `answer` and notes what it was asked.
class ScriptedChooser : public FileChooser {
public:
    std::optional<QString> ChooseFile(QWidget* over, const QString& title, const QStringList&,
                                      const QString& defaultSuffix) override {
        asked << over->objectName() + ": " + title;
        suffixes << defaultSuffix;
        return answer;
    }
    std::optional<QString> answer;
    QStringList asked, suffixes;
};

// Modal dialogs a test waits for; any other one that runs fails the test at once and is
// closed, so a fault that opens a box nobody answers cannot hang the run.
class ModalGuard : public QObject {
public:
    static ModalGuard& Instance();
    // Each one acts on the dialog it is for and says so; the rest leave it alone.
    QList<const std::function<bool(QWidget&)>*> expected;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Acts on the next modal dialog of type D once the code under test waits in its exec().
// The action must close it; one left open fails and is closed.
template <typename D>
class WhenModal {
public:
    explicit WhenModal(std::function<void(D&)> act) : act_(std::move(act)) {
        ModalGuard::Instance().expected << &take_;
    }
    ~WhenModal() {
        ModalGuard::Instance().expected.removeOne(&take_);
        EXPECT_TRUE(acted_) << "the expected dialog never showed";
    }

private:
    std::function<void(D&)> act_;
    bool acted_ = false;
    const std::function<bool(QWidget&)> take_ = [this](QWidget& shown) {
        D* dialog = qobject_cast<D*>(&shown);
        if (acted_ || dialog == nullptr) return false;
        acted_ = true;
        act_(*dialog);
        return true;
    };
};

// The editor as the program makes it, on an empty list section, with the recorders.
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        WriteSettingsFile(QString());
        form1_ = std::make_unique<Form1>(settings_, kMaxItems, editMode_,
                                         EditorServices{&messages_, &files_});
    }
    void TearDown() override { WriteSettingsFile(QString()); }
    // Stores the lines and opens the editor on that list, as "Add or Modify" does.
    Form1& OpenOn(ListKind kind, const std::vector<std::string>& lines) {
        SaveList(settings_, kind, lines, kMaxItems);
        kind == ListKind::Directories ? form1_->mnuAdd_Click() : form1_->mnuAddProgram_Click();
        return *form1_;
    }
    QStringList Shown(ListKind kind) const {
        QStringList lines;
        for (const std::string& line : form1_->Lines(kind)) lines << QString::fromStdString(line);
        return lines;
    }

    static constexpr std::int16_t kMaxItems = 20;
    CRegSettings& settings_ = ProgramSettings();
    std::int16_t editMode_ = 0;
    RecordingMessages messages_;
    ScriptedChooser files_;
    std::unique_ptr<Form1> form1_;
};

}  // namespace zolvantek::test_support
