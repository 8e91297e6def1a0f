// Test playback of the WAV file named in Text1.
#include <QLineEdit>

#include "form1.h"

namespace zrc::player {

void Form1::TestWavPlay_Click() { m_testPlayback.play(*this, m_controls.Text1->text()); }

void Form1::refused() { m_dialogs.msgBox(this, Msg(6), MsgBoxStyle::CancelTryAgainContinue, Msg(4)); }

}  // namespace zrc::player
