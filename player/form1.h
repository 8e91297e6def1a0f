// The player's main window. Its event procedures run on the one window
// thread; a long operation runs inside the procedure that started it and
// pumps window events, so Stop, Cancel, the slider and Exit run nested in
// it and reach it only through PlayerState's flags and the wave output.
#pragma once

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "conversion_job.h"
#include "corvid_api.h"
#include "dialogs.h"
#include "disk_space.h"
#include "instance_lock.h"
#include "messages.h"
#include "orvel_api.h"
#include "pagecodec_api.h"
#include "playback_engine.h"
#include "player_state.h"
#include "recording_session.h"
#include "test_playback.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QSlider;
class QTimer;

namespace zrc::player {

// The window's controls, under the names its procedures use.
struct Form1Controls {
    QPushButton* PlayX = nullptr;
    QPushButton* CueX = nullptr;
    QPushButton* RevX = nullptr;
    QPushButton* StopX = nullptr;
    QPushButton* EXITX = nullptr;
    QPushButton* Cancelx = nullptr;
    QPushButton* TestWavPlay = nullptr;
    QSlider* PlaySlider = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* PlayTimeLabel = nullptr;
    QTimer* Timer1 = nullptr;
    QLineEdit* Text1 = nullptr;
    std::array<QLabel*, 4> Image1{};
    QLineEdit* DecFilename = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QMenu* F1 = nullptr;
    QAction* M_fileopen = nullptr;
    QMenu* M_transwav = nullptr;
    QAction* Trans_wav8bit = nullptr;
    QAction* Trans_wav16bit = nullptr;
    QAction* M_export = nullptr;
    QAction* sepa1 = nullptr;
    QAction* EXIT0 = nullptr;
};

// The window connects its widgets to the engines (the recording session,
// playback, conversion, test playback) and shows what they report.
class Form1 : public QMainWindow, private PlaybackView, private ConversionView, private TestPlayback::View {
    Q_OBJECT

public:
    struct Setup {
        Binder* binder = nullptr;    // the libraries; outlives the window
        Dialogs* dialogs = nullptr;  // outlives the window
        QString lockPath;            // the instance lock; empty: InstanceLock::defaultPath()
        QString commandLine;         // the program's arguments as one string
    };

    explicit Form1(const Setup& setup, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: message table, second-instance refusal, wave output reset,
    // layout and control states, the command line's recording. Show the
    // window afterwards unless ended().
    void Form_Load();
    // The window is going away by other means than Exit.
    void Form_Terminate();

    // Returns after at least WaitSeconds, pumping window events meanwhile
    // (none for 0); sooner once the program has ended.
    void Wait(float WaitSeconds);
    void ComControl(std::uint8_t Ple, std::uint8_t Plv, std::uint8_t Cue, std::uint8_t Cuv, std::uint8_t Ree,
                    std::uint8_t Rev, std::uint8_t Ste, std::uint8_t Stv, std::uint8_t Cane, std::uint8_t Canv);
    void ComControl(const ComFlags& flags);
    // Shows the time of page Npage against the total; a negative Npage is
    // set to 0.
    void TimeDisplay(std::int32_t& Npage);
    // Converts the recording zrc_filename into the WAV file wav_filename
    // with 8-bit (pcm_bit 1) or 16-bit (2) samples, page by page, showing
    // the progress; Cancelx ends it.
    void TransZrcWav(const QString& zrc_filename, const QString& wav_filename, std::int16_t pcm_bit);

    // Slot `index` of the message table; empty outside 0 to 20.
    const QString& Msg(int index) const;

    // Handles the pending window events once. False once the program has
    // ended: a long operation then returns at once, doing nothing more.
    bool pumpEvents();
    // The pump of a loop that polls the wave output: handles the pending
    // events, and when there are none waits a few milliseconds for one, so a
    // playback sleeps between polls instead of keeping a core busy.
    bool pollEvents();
    bool ended() const { return m_ended; }

    // Plays strFileName from the slider's page, which it writes into
    // start_page, in play_mode (0 play, positive cue, negative review), and
    // returns when the run ends. Always 0.
    std::int16_t DecodePlayX(const QString& strFileName, std::int32_t& start_page, std::int16_t play_mode);

    PlayerState& state() { return m_state; }
    const PlayerState& state() const { return m_state; }
    const RecordingSession& session() const { return m_session; }
    const PlaybackEngine& playback() const { return m_playback; }
    const ConversionJob& conversion() const { return m_conversion; }
    const Form1Controls& controls() const { return m_controls; }

    // Where a conversion learns the free bytes for its output file;
    // DISKSPACEFREE unless a test says otherwise.
    using FreeSpace = std::function<std::optional<std::int64_t>(const QString& fileName)>;
    void setDiskSpaceFree(FreeSpace measure) { m_diskSpaceFree = std::move(measure); }

public slots:
    void EXIT0_Click();
    void EXITX_Click();
    void M_fileopen_Click();
    void Trans_wav8bit_Click();
    void Trans_wav16bit_Click();
    void M_export_Click();
    void Cancelx_Click();

    // The transport and test playback.
    void PlayX_Click();
    void CueX_Click();
    void RevX_Click();
    void StopX_Click();
    void PlaySlider_MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void PlaySlider_Click();
    void Timer1_Timer();
    void TestWavPlay_Click();

signals:
    // The program is over: the application's event loop should end.
    void programEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void createMenu();
    void connectControls();
    int twipsX(int twips) const;
    int twipsY(int twips) const;
    void layOutButtonRow();
    // The start's parts: false when another player holds the lock.
    bool takeInstanceLock();
    void setCaptions();
    void resetControls();
    void exitProgram();
    void endProgram();
    // Ends any sound; the wave output is made again by the next playback.
    void stopSound();
    // The recording's or file's total time with the time at its start, the
    // slider at its start.
    void showTimesFromStart(std::int32_t totalMs);

    // File > Open, by kind of file.
    void openRecording();
    void openOtherFile();

    // The transport's part of the window.
    void connectTransport();
    void startPlayback(std::int16_t PlayMode);
    void openCommandLineRecording();

    // Conversion to WAV.
    void connectConversion();
    void saveAsWav(std::int16_t pcm_bit);
    // What both File > Convert and File > Export do around their dialog and
    // their job: playback stopped, the controls locked while `convert` runs
    // on the chosen name.
    void convertInto(const std::function<std::optional<QString>()>& ask,
                     const std::function<void(const QString&)>& convert);
    // The save dialog until a name is chosen that may be written; empty when
    // it is cancelled. `target` turns the chosen name and filter into the
    // file to write.
    std::optional<QString> askOutputFile(const QString& suggested, const QString& filter, int* filterIndex,
                                         const std::function<QString(const QString&, int)>& target);
    // Exit during a conversion cancels it first, so no partial file stays.
    void cancelRunningConversion();
    // The prompt that reports a recording the session would not load.
    const QString& loadPrompt(RecordingSession::Load load) const;

    // What the engines see of the window.
    bool pump() override { return pumpEvents(); }
    bool poll() override { return pollEvents(); }
    bool wait(float seconds) override;
    std::int32_t sliderValue() override;
    void setSliderMaximum(std::int32_t page) override;
    void setSlider(std::int32_t page) override;
    void showTime(std::int32_t& page) override { TimeDisplay(page); }
    void markMode(std::int16_t playMode, bool all) override;
    void idle() override { ComControl(kIdleButtonState); }
    void refused(PlaybackRefusal why, RecordingSession::Load load) override;
    void started() override;
    void setProgressMaximum(std::int32_t page) override;
    void setProgress(std::int32_t page) override;
    void setProgressText(const QString& text) override;
    void hideAnimation() override;
    void finished() override;
    void refused(int promptSlot) override;
    std::optional<std::int64_t> freeSpace(const QString& fileName) override { return m_diskSpaceFree(fileName); }
    void refused() override;

    Dialogs& m_dialogs;
    PageCodecApi m_pageCodec;
    CorvidApi m_corvid;
    OrvelApi m_orvel;
    QString m_lockPath;
    QString m_commandLine;
    std::unique_ptr<InstanceLock> m_instanceLock;
    MessageTable m_msg;
    PlayerState m_state;
    RecordingSession m_session{m_pageCodec};
    PlaybackEngine m_playback{m_session, m_pageCodec, m_corvid, m_orvel};
    ConversionJob m_conversion{m_session, m_pageCodec, m_orvel};
    TestPlayback m_testPlayback{m_corvid, m_orvel};
    Form1Controls m_controls;
    QString m_dialogFolder;  // where the open dialog starts, for this run only
    // The format File > Export offers first: the last one chosen in this
    // run, FLAC before any.
    std::optional<sound::SoundFormat> m_exportFormat;
    FreeSpace m_diskSpaceFree = DISKSPACEFREE;
    bool m_ended = false;
};

}  // namespace zrc::player
