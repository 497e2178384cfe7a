#pragma once
// frmTable, the frame every parameter table window shares: one response document (kept by its Key and looked up
// in Waves each time), a grid of parameter rows over octave-band columns filled by a calculation run, the channel
// buttons, and the commands OK, Save (the Save As dialog, then the text file), Print (one page on the table
// printer) and Help.
//
// The calculation run fills one cell (or one group of cells) at a time and yields to the event loop after each,
// so the window stays usable. While it runs:
// - only one run exists: a new request (channel button, change of the document) makes the run start over after
//   the current cell, so the grid ends showing the current channel and document;
// - a close request (close box, OK, Esc, the document's end) is refused and closes the window after the current
//   cell;
// - the document is looked up again after every yield: a document that is gone ends the run silently and closes
//   the window;
// - Save and Print are disabled.
// The first activation after the window's first painting starts the first run; each change of the document starts another (the modulation table,
// which follows no changes, calculates on every activation instead).
// Calling thread: the user-interface thread. The window deletes itself when it closes.
#include "tables/TableRow.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

class QAbstractButton;
class QBoxLayout;
class QFrame;
class QHBoxLayout;
class QLabel;
class QPrinter;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace vemra {

class EditorChecks;
class clsWave;

namespace tables {
class TablePage;
class TableText;
} // namespace tables

class frmTable : public QDialog {
    Q_OBJECT

signals:
    // The end of a calculation run (before the window closes when the run was aborted).
    void calculated();

public:
    // Which documents get the channel buttons, by receiver code.
    enum class ChannelButtons {
        Never,
        DualOmniOnly,    // receiver 2
        AllButOmni,      // every receiver but 0
        AllButSingleOmni // every receiver but 0, 1 and 3 (one omnidirectional channel)
    };

    // What differs between the tables.
    struct Design {
        // `columns` octave columns from band `firstBand`.
        Design(QString objectName, QString title, QString suffix, int helpContext, QString saveProcedure,
               ChannelButtons channels, int firstBand, int columns);

        QString objectName;         // "frmTableISO"
        QString title;              // caption before the file name, "ISO 3382 - "
        QString printTitle;         // before "File: " on paper
        QString suffix;             // of the default export name, "_iso.txt"
        int helpContext = -1;
        QString saveProcedure;      // error-report name of the Save command, "TableISO::cmdSave"
        ChannelButtons channels = ChannelButtons::Never;
        QStringList headings;       // of the columns
        int offset = 2;             // band of column 0
        QString calculateProcedure = QStringLiteral("Calculate");
        QString widestCell = QStringLiteral("-99.99");
        bool perColumnLimit = false; // the speech and modulation tables test each column on its own
        bool followsChanges = true;  // false: calculates on every activation instead
        bool commandsBeside = true;  // command buttons beside the grid (else in a row below it)
    };

    ~frmTable() override;

    QString Key() const { return key_; }
    // The channel shown (0 or 1).
    int channel() const { return channel_; }
    bool busy() const { return busy_; }
    bool aborting() const { return abort_; }
    // Calculation runs ended so far (a run that started over counts once).
    int runsCompleted() const { return runsCompleted_; }
    // The columns and the last one the latest run filled.
    const tables::BandColumns& columns() const { return columns_; }
    // True once loading found the document (a table without one closes at once).
    bool loaded() const { return loaded_; }

    // Starts a calculation run; during a run, makes it start over after the current cell.
    void Calculate();
    void optChannel_Click(int index);
    virtual void cmdOK_Click();
    void cmdSave_Click();
    void cmdPrint_Click();
    void cmdHelp_Click();

    // The name the Save command offers: the document's file name without its own extension (".wav", ".tim" in
    // any case) followed by the table's suffix; "Untitled" and the suffix for an unsaved new recording.
    static QString DefaultExportName(const QString& fileName, bool newRecording, const QString& suffix);
    QString DefaultExportName() const;
    // What the text file holds, from the document as it is now and the last column of the latest run.
    QString ExportText();
    // Writes the text file (atomically; a failure is reported once and keeps the previous file).
    void SaveTable(const QString& fileName);
    // Prints the page at once on the program's current printer (core/Print.h), or on the given one.
    void PrintTable();
    void PrintTable(QPrinter& printer);

    // A control by object name (tests and the screenshots look at cells as "lblG(3)").
    QLabel* label(const QString& name) const;
    QRadioButton* optChannel(int index) const { return optChannel_[std::size_t(index)]; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdSave() const { return cmdSave_; }
    QPushButton* cmdPrint() const { return cmdPrint_; }

protected:
    // One step of a run: fills a cell or a group of cells; the frame yields after each.
    using RunStep = std::function<void(clsWave& wave)>;

    frmTable(const QString& key, Design design, QWidget* parent);

    // Called once by each table's constructor after it built its grid: lays out the window, looks the document
    // up, follows it and runs the table's Form_Load (errors reported under "TableLoad").
    void load(QWidget* grid);

    // The table's parts.
    virtual void Form_Load(clsWave& wave) = 0;
    // The steps of one run for the current channel, in order; columns() holds the last column already.
    virtual std::vector<RunStep> planRun(clsWave& wave) = 0;
    virtual void writeText(clsWave& wave, tables::TableText& text) = 0;
    virtual void printPage(clsWave& wave, tables::TablePage& page) = 0;
    // The rightmost extent of the page in mm.
    virtual double pageWidth_mm() const;
    // Whether a document of that receiver gets the channel buttons.
    bool showsChannels(int receiver) const;

    // The common page head: the title (with " - Channel n" when `withChannel`) and the heading line of `count`
    // columns.
    void printHead(clsWave& wave, tables::TablePage& page, bool withChannel, int count);
    // The document, or the run-time error 91 when it is gone.
    clsWave& document() const;
    void setCell(const QString& name, const QString& text);
    // A step that shows the screen text of `row`'s cell in column `column` for the current channel in the label
    // `cells`(column).
    RunStep showCell(const tables::TableRow& row, const QString& cells, int column);
    // The layouts tables add their own controls to: beside the grid (under the channel buttons) and the row of
    // command buttons.
    QBoxLayout* sideColumn() const { return side_; }
    QBoxLayout* commandRow() const { return commands_; }
    // The window's checked edit boxes: every command of the window runs through it (connect new ones with
    // `command`), so a box being edited is taken before the command reads it, whether the mouse or a key pressed it.
    EditorChecks& editorChecks() const { return *checks_; }
    void command(QAbstractButton* button, std::function<void()> run);
    // The button Esc presses (OK unless the table has a Cancel button).
    void setCancelButton(QPushButton* button) { cancel_ = button; }
    // Deferred closing of the current run, or closing at once when idle (OK, Cancel, the document's end).
    void closeOrAbort();
    // What OK and Cancel do once their buttons are disabled: let the events already queued run (a box's pending
    // edit), then closeOrAbort. The window may be gone on return.
    void closeAfterPendingEvents();

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

    Design design_;
    tables::BandColumns columns_;

private:
    void Form_Activate();
    void mWave_WaveChange();
    void mWave_WaveExit();
    void setLastColumn(double sampleRate_Hz);
    // The text file as writeText fills it from the document as it is now.
    tables::TableText tableText();
    void release();

    QString key_;
    QPointer<clsWave> mWave;
    int channel_ = 0;
    bool busy_ = false;
    bool abort_ = false;
    bool restart_ = false;
    bool firstActivation_ = true;
    bool painted_ = false;
    bool loaded_ = false;
    int runsCompleted_ = 0;

    std::array<QRadioButton*, 2> optChannel_{};
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdSave_ = nullptr;
    QPushButton* cmdPrint_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
    QPushButton* cancel_ = nullptr;
    EditorChecks* checks_ = nullptr;
    QBoxLayout* side_ = nullptr;
    QBoxLayout* commands_ = nullptr;
};

} // namespace vemra
