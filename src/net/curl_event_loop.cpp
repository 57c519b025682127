#include "net/curl_event_loop.h"

#include <QMetaObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <mutex>

CurlEventLoop::CurlEventLoop(Done done, QObject* parent)
    : QObject(parent), m_timer(new QTimer(this)), m_done(std::move(done)) {
    globalInit();
    m_multi = curl_multi_init();
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlEventLoop::socketCallback);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlEventLoop::timerCallback);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
}

CurlEventLoop::~CurlEventLoop() {
    // Closing the cached connections still calls back into this object, so
    // this happens while the notifiers and the timer are alive.
    curl_multi_cleanup(m_multi);
}

void CurlEventLoop::globalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool CurlEventLoop::add(CURL* easy) { return curl_multi_add_handle(m_multi, easy) == CURLM_OK; }

void CurlEventLoop::remove(CURL* easy) {
    curl_multi_remove_handle(m_multi, easy);
    m_finished.removeIf([easy](const QPair<CURL*, CURLcode>& f) { return f.first == easy; });
}

int CurlEventLoop::socketCallback(CURL*, curl_socket_t s, int what, void* loop, void*) {
    static_cast<CurlEventLoop*>(loop)->watch(s, what);
    return 0;
}

// Only starts or stops the timer: libcurl must not be called from here.
int CurlEventLoop::timerCallback(CURLM*, long timeoutMs, void* loop) {
    QTimer* timer = static_cast<CurlEventLoop*>(loop)->m_timer;
    if (timeoutMs < 0)
        timer->stop();
    else
        timer->start(static_cast<int>(std::min<long>(timeoutMs, 1L << 30)));
    return 0;
}

// A socket keeps its pair of notifiers for good; they are only switched on and
// off. Deleting one here could delete it inside its own activated signal.
void CurlEventLoop::watch(curl_socket_t s, int what) {
    auto it = m_notifiers.find(s);
    if (it == m_notifiers.end()) {
        if (what == CURL_POLL_REMOVE) return;
        Notifiers pair{new QSocketNotifier(s, QSocketNotifier::Read, this),
                       new QSocketNotifier(s, QSocketNotifier::Write, this)};
        pair.read->setEnabled(false);
        pair.write->setEnabled(false);
        connect(pair.read, &QSocketNotifier::activated, this, [this, s] { act(s, CURL_CSELECT_IN); });
        connect(pair.write, &QSocketNotifier::activated, this, [this, s] { act(s, CURL_CSELECT_OUT); });
        it = m_notifiers.insert(s, pair);
    }
    it->read->setEnabled(what == CURL_POLL_IN || what == CURL_POLL_INOUT);
    it->write->setEnabled(what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
}

void CurlEventLoop::act(curl_socket_t s, int mask) {
    int running = 0;
    curl_multi_socket_action(m_multi, s, mask, &running);
    collectFinished();
}

// Every finished transfer is taken off the multi handle at once, so libcurl
// never reports it twice; its owner hears of it from the next turn of the loop.
void CurlEventLoop::collectFinished() {
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(m_multi, &left)) {
        if (msg->msg != CURLMSG_DONE) continue;
        CURL* easy = msg->easy_handle;
        const CURLcode result = msg->data.result;
        curl_multi_remove_handle(m_multi, easy);
        m_finished.append({easy, result});
    }
    if (m_finished.isEmpty() || m_deliveryPosted) return;
    m_deliveryPosted = true;
    QMetaObject::invokeMethod(this, [this] { deliverFinished(); }, Qt::QueuedConnection);
}

void CurlEventLoop::deliverFinished() {
    m_deliveryPosted = false;
    const QPointer<CurlEventLoop> alive(this);
    while (alive && !m_finished.isEmpty()) {
        const auto [easy, result] = m_finished.takeFirst();
        m_done(easy, result);
    }
}
