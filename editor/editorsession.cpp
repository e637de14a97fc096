#include "editorsession.h"

#include "engine.h"
#include "ucs4.h"

#include <QCoreApplication>

#include <utility>

namespace kestrum {

EditorSession::EditorSession(Engine &engine, int yieldIntervalMs, QObject *parent)
    : QObject(parent), m_engine(engine), m_yieldIntervalMs(yieldIntervalMs) {
    m_engine.setYieldToUi([this] { yieldToUi(); });
    m_engine.setConversionLog(&m_log);
    // The output area takes CR LF line breaks (RichTextBox::setText).
    m_engine.setLineBreaks(Engine::LineBreaks::CrLf);
}

EditorSession::~EditorSession() {
    m_engine.setYieldToUi({});
    m_engine.setConversionLog(nullptr);
}

void EditorSession::setInputSource(std::function<QString()> source) {
    m_input = std::move(source);
}

void EditorSession::outputEdited(const QString &text) {
    if (!m_converting)
        m_output = toUcs4(text);
}

void EditorSession::convert() {
    if (!m_input)
        return;
    if (m_converting) {
        m_pending = true;
        return;
    }
    struct Running {
        bool &flag;
        ~Running() { flag = false; }
    } running{m_converting};
    m_converting = true;
    do {
        m_pending = false;
        m_yieldCalls = 0;
        m_sinceYield.start();
        toUcs4Lines(m_input(), m_inputText);
        if (m_engine.convertText(m_inputText, m_converted) == Engine::Result::Converted) {
            std::swap(m_output, m_converted);
            fromUcs4(m_output, m_outputText);
            Q_EMIT outputReplaced(m_outputText);
            m_inputChanged = false;
        }
        // The window that held the input may have gone while events ran.
    } while (m_pending && m_input);
    m_converting = false;
    Q_EMIT conversionFinished();
}

void EditorSession::yieldToUi() {
    // A clock read costs more than a converted unit: look at the clock every 256th call only.
    if (++m_yieldCalls % 256 != 0 || m_sinceYield.elapsed() < m_yieldIntervalMs)
        return;
    QCoreApplication::processEvents();
    m_sinceYield.start();
}

} // namespace kestrum
