// The main window: controls, start-up, exit and the helpers every
// procedure calls.
#include "form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <type_traits>

#include "open_rules.h"
#include "time_text.h"

namespace zrc::player {

namespace {
// Positions and sizes in twips (1/1440 inch), converted at the screen's
// resolution. The window is laid out taller than it is shown: start-up cuts
// it to 2,400 twips, and what lies below (the test playback controls and the
// unused ones) stays out of sight.
constexpr int kWindowWidth = 4800;
constexpr int kDesignHeight = 4800;
constexpr int kShownHeight = 2400;
constexpr int kMargin = 120;
constexpr int kPictureButtonWidth = 540;
constexpr int kButtonHeight = 405;
constexpr int kPictureButtonGap = 30;
constexpr int kExitWidth = 975;
constexpr int kCancelWidth = 1200;

// Names a control. Until start-up sets the texts from the message table,
// a control's caption is its name, as a form designer leaves it; the menu
// bar needs some text to be measured when start-up lays out the window.
template <typename Object>
Object* named(Object* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    if constexpr (std::is_same_v<Object, QMenu>) {
        object->setTitle(QString::fromLatin1(name));
    } else if constexpr (std::is_same_v<Object, QAction>) {
        if (!object->isSeparator()) object->setText(QString::fromLatin1(name));
    } else if constexpr (std::is_same_v<Object, QPushButton>) {
        if (object->text().isEmpty()) object->setText(QString::fromLatin1(name));
    }
    return object;
}
}  // namespace

Form1::Form1(const Setup& setup, QWidget* parent)
    : QMainWindow(parent),
      m_dialogs(*setup.dialogs),
      m_pageCodec(*setup.binder),
      m_corvid(*setup.binder),
      m_orvel(*setup.binder),
      m_lockPath(setup.lockPath),
      m_commandLine(setup.commandLine) {
    setObjectName(QStringLiteral("Form1"));
    createControls();
    createMenu();
    connectControls();
    connectTransport();
    connectConversion();
}

Form1::~Form1() = default;

int Form1::twipsX(int twips) const { return qRound(twips * logicalDpiX() / 1440.0); }
int Form1::twipsY(int twips) const { return qRound(twips * logicalDpiY() / 1440.0); }

void Form1::createControls() {
    auto* area = new QWidget(this);
    setCentralWidget(area);
    Form1Controls& c = m_controls;
    const auto place = [this](QWidget* widget, int left, int top, int width, int height) {
        widget->setGeometry(twipsX(left), twipsY(top), twipsX(width), twipsY(height));
    };
    const int inner = kWindowWidth - 2 * kMargin;

    c.PlaySlider = named(new QSlider(Qt::Horizontal, area), "PlaySlider");
    place(c.PlaySlider, kMargin, 60, inner, 420);
    c.ProgressBar1 = named(new QProgressBar(area), "ProgressBar1");
    c.ProgressBar1->setTextVisible(false);
    place(c.ProgressBar1, kMargin, 120, inner, 300);
    c.PlayTimeLabel = named(new QLabel(area), "PlayTimeLabel");
    c.PlayTimeLabel->setAlignment(Qt::AlignCenter);
    place(c.PlayTimeLabel, kMargin, 780, inner, 300);

    const auto pictureButton = [&](const char* name, QStyle::StandardPixmap picture, int index) {
        auto* button = new QPushButton(area);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(style()->standardIcon(picture));
        place(button, kMargin + index * (kPictureButtonWidth + kPictureButtonGap), 0, kPictureButtonWidth,
              kButtonHeight);
        return button;
    };
    c.RevX = pictureButton("RevX", QStyle::SP_MediaSeekBackward, 0);
    c.PlayX = pictureButton("PlayX", QStyle::SP_MediaPlay, 1);
    c.CueX = pictureButton("CueX", QStyle::SP_MediaSeekForward, 2);
    c.StopX = pictureButton("StopX", QStyle::SP_MediaStop, 3);
    // Cancel replaces the hidden transport buttons while a conversion runs.
    c.Cancelx = named(new QPushButton(area), "Cancelx");
    place(c.Cancelx, kMargin, 0, kCancelWidth, kButtonHeight);
    c.EXITX = named(new QPushButton(area), "EXITX");
    place(c.EXITX, kWindowWidth - kMargin - kExitWidth, 0, kExitWidth, kButtonHeight);

    c.TestWavPlay = named(new QPushButton(QStringLiteral("WavPlay"), area), "TestWavPlay");
    place(c.TestWavPlay, 240, 4080, 852, 372);
    c.Text1 = named(new QLineEdit(QStringLiteral("OC11k16b.wav"), area), "Text1");
    place(c.Text1, 1080, 3036, 1935, 375);
    c.DecFilename = named(new QLineEdit(area), "DecFilename");
    place(c.DecFilename, 1080, 3540, 1935, 375);
    c.Label1 = named(new QLabel(QStringLiteral("Label1"), area), "Label1");
    place(c.Label1, kMargin, 3096, 900, 255);
    c.Label2 = named(new QLabel(QStringLiteral("Label2"), area), "Label2");
    place(c.Label2, kMargin, 3600, 900, 255);
    // Four frames of a turning arrow for the conversion's animation.
    const std::array<QStyle::StandardPixmap, 4> frames{QStyle::SP_ArrowUp, QStyle::SP_ArrowRight,
                                                       QStyle::SP_ArrowDown, QStyle::SP_ArrowLeft};
    for (std::size_t i = 0; i < c.Image1.size(); ++i) {
        auto* image = named(new QLabel(area), "Image1");
        image->setProperty("index", static_cast<int>(i));
        image->setPixmap(style()->standardIcon(frames[i]).pixmap(twipsX(240), twipsY(240)));
        place(image, 3180 + static_cast<int>(i) * 360, 3036, 330, 330);
        c.Image1[i] = image;
    }

    c.Timer1 = named(new QTimer(this), "Timer1");

    resize(twipsX(kWindowWidth), twipsY(kDesignHeight));
}

void Form1::createMenu() {
    Form1Controls& c = m_controls;
    c.F1 = named(menuBar()->addMenu(QString()), "F1");
    c.M_fileopen = named(c.F1->addAction(QString()), "M_fileopen");
    c.M_transwav = named(c.F1->addMenu(QString()), "M_transwav");
    c.M_transwav->menuAction()->setObjectName(QStringLiteral("M_transwav"));
    c.Trans_wav8bit = named(c.M_transwav->addAction(QString()), "Trans_wav8bit");
    c.Trans_wav16bit = named(c.M_transwav->addAction(QString()), "Trans_wav16bit");
    c.M_export = named(c.F1->addAction(QString()), "M_export");
    c.sepa1 = named(c.F1->addSeparator(), "sepa1");
    c.EXIT0 = named(c.F1->addAction(QString()), "EXIT0");
}

void Form1::connectControls() {
    connect(m_controls.EXIT0, &QAction::triggered, this, &Form1::EXIT0_Click);
    connect(m_controls.EXITX, &QPushButton::clicked, this, &Form1::EXITX_Click);
    connect(m_controls.M_fileopen, &QAction::triggered, this, &Form1::M_fileopen_Click);
}

const QString& Form1::Msg(int index) const {
    static const QString kNone;
    if (index < 0 || index >= kMessageSlots) return kNone;
    return m_msg[static_cast<std::size_t>(index)];
}

void Form1::layOutButtonRow() {
    // The row stands at 85/115 of the height below the menu bar.
    const int inner = height() - menuBar()->sizeHint().height();
    const int top = static_cast<int>(static_cast<float>(inner) * 85.0f / 115.0f);
    Form1Controls& c = m_controls;
    for (QPushButton* button : {c.PlayX, c.RevX, c.CueX, c.StopX, c.EXITX, c.Cancelx}) {
        button->move(button->x(), top);
    }
}

void Form1::Form_Load() {
    m_msg = messageTable(buildLanguageCode());
    if (!takeInstanceLock()) {
        m_dialogs.msgBox(this, Msg(14), MsgBoxStyle::OkOnly, Msg(4));
        endProgram();
        return;
    }
    stopSound();

    setFixedSize(width(), twipsY(kShownHeight));
    layOutButtonRow();
    setCaptions();

    m_state.OpenErrorText = Msg(2);
    m_state.FileName = QStringLiteral(" ");
    m_state.FileName = m_commandLine;

    if (!pumpEvents()) return;
    resetControls();
    if (!pumpEvents()) return;

    if (isRecordingNameForCommandLine(m_state.FileName)) {
        m_controls.Timer1->start();
        m_state.AutoPlay = -1;
    }
}

bool Form1::takeInstanceLock() {
    m_instanceLock = std::make_unique<InstanceLock>(m_lockPath.isEmpty() ? InstanceLock::defaultPath() : m_lockPath);
    // A lock that cannot be made at all says nothing about another player,
    // so only a lock held by one refuses the start.
    if (m_instanceLock->tryLock() != InstanceLock::Result::HeldByOther) return true;
    m_instanceLock.reset();
    return false;
}

void Form1::setCaptions() {
    Form1Controls& c = m_controls;
    c.F1->setTitle(Msg(7));
    c.M_fileopen->setText(Msg(8));
    c.M_transwav->setTitle(Msg(9));
    c.Trans_wav8bit->setText(Msg(10));
    c.Trans_wav16bit->setText(Msg(11));
    c.M_export->setText(Msg(17));
    // sepa1's caption "-" is what makes a separator line; it is one already.
    c.EXIT0->setText(Msg(0));
    c.EXITX->setText(Msg(0));
    c.Cancelx->setText(Msg(1));
}

void Form1::resetControls() {
    Form1Controls& c = m_controls;
    setWindowTitle(Msg(4));
    c.PlayTimeLabel->setText(QStringLiteral(" "));

    c.Timer1->stop();
    c.Timer1->setInterval(100);

    c.PlaySlider->setPageStep(1);
    c.PlaySlider->setRange(0, 0);
    c.PlaySlider->setValue(0);
    c.PlaySlider->setEnabled(false);
    c.ProgressBar1->hide();
    c.ProgressBar1->setValue(0);

    ComControl(kIdleButtonState);
    c.M_transwav->menuAction()->setEnabled(false);
    c.M_export->setEnabled(false);
}

void Form1::Form_Terminate() {
    hide();
    stopSound();
    Wait(0.1f);
}

void Form1::EXIT0_Click() { exitProgram(); }

void Form1::EXITX_Click() { exitProgram(); }

void Form1::exitProgram() {
    cancelRunningConversion();
    hide();
    stopSound();
    Wait(0.1f);
    endProgram();
}

void Form1::stopSound() {
    m_corvid.WavStop();
    m_corvid.WavDestroy();
}

void Form1::showTimesFromStart(std::int32_t totalMs) {
    m_state.TimeMs = totalMs;
    m_session.setTotalTime(strFormatTime(totalMs));
    std::int32_t start = 0;
    TimeDisplay(start);
    m_controls.PlaySlider->setValue(0);
}

void Form1::endProgram() {
    m_ended = true;
    hide();
    emit programEnded();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!m_ended) {
        cancelRunningConversion();
        Form_Terminate();
        endProgram();
    }
    event->accept();
}

bool Form1::pumpEvents() {
    QCoreApplication::processEvents();
    return !m_ended;
}

bool Form1::pollEvents() {
    // A page lasts 123 ms or more and the output keeps more than that queued,
    // so polls 5 ms apart lose nothing; the timer ends the wait when no
    // other event comes sooner.
    constexpr int kPollMs = 5;
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(kPollMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return !m_ended;
}

void Form1::Wait(float WaitSeconds) {
    QElapsedTimer clock;
    clock.start();
    const auto limit = static_cast<qint64>(static_cast<double>(WaitSeconds) * 1e9);
    // The timer only wakes the pump when no event comes sooner, so the wait
    // sleeps instead of spinning.
    QTimer wake;
    wake.setSingleShot(true);
    while (!m_ended && clock.nsecsElapsed() < limit) {
        const qint64 leftMs = (limit - clock.nsecsElapsed() + 999'999) / 1'000'000;
        wake.start(static_cast<int>(std::clamp<qint64>(leftMs, 1, 60'000)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void Form1::ComControl(std::uint8_t Ple, std::uint8_t Plv, std::uint8_t Cue, std::uint8_t Cuv, std::uint8_t Ree,
                       std::uint8_t Rev, std::uint8_t Ste, std::uint8_t Stv, std::uint8_t Cane, std::uint8_t Canv) {
    Form1Controls& c = m_controls;
    c.PlayX->setEnabled(Ple == 0);
    c.PlayX->setVisible(Plv == 0);
    c.CueX->setEnabled(Cue == 0);
    c.CueX->setVisible(Cuv == 0);
    c.RevX->setEnabled(Ree == 0);
    c.RevX->setVisible(Rev == 0);
    c.StopX->setEnabled(Ste == 0);
    c.StopX->setVisible(Stv == 0);
    c.Cancelx->setEnabled(Cane == 0);
    c.Cancelx->setVisible(Canv == 0);
}

void Form1::ComControl(const ComFlags& f) {
    ComControl(f.Ple, f.Plv, f.Cue, f.Cuv, f.Ree, f.Rev, f.Ste, f.Stv, f.Cane, f.Canv);
}

void Form1::TimeDisplay(std::int32_t& Npage) {
    if (Npage < 0) Npage = 0;
    if (const auto ms = m_session.elapsedMs(Npage)) m_state.TimeMs = *ms;
    m_state.NowTimeStr = strFormatTime(m_state.TimeMs);
    m_controls.PlayTimeLabel->setText(QStringLiteral("[") + m_state.NowTimeStr + QStringLiteral(" / ") +
                                      m_session.totalTimeText() + QStringLiteral("]"));
}

}  // namespace zrc::player
