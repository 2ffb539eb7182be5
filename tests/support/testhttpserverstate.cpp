#include "support/testhttpserverstate.h"


namespace {

// "*" any text, "?" one character, everything else literal.
QRegularExpression globToRegex(const QString &pattern)
{
    QString rx;
    rx.reserve(pattern.size() * 2 + 4);
    for (const QChar c : pattern) {
        if (c == QLatin1Char('*'))
            rx += QLatin1String(".*");
        else if (c == QLatin1Char('?'))
            rx += QLatin1Char('.');
        else
            rx += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(rx),
                              QRegularExpression::DotMatchesEverythingOption);
}

bool isGlobal(const QString &pattern)
{
    return pattern == QLatin1String("*");
}

} // namespace

QString TestHttpServerState::rootDir() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_rootDir;
}

void TestHttpServerState::setRootDir(const QString &rootDir)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_rootDir = rootDir;
}

qint64 TestHttpServerState::bandwidthLimit() const
{
    return m_bandwidthLimit.load();
}

void TestHttpServerState::setBandwidthLimit(qint64 bytesPerSecond)
{
    m_bandwidthLimit.store(bytesPerSecond > 0 ? bytesPerSecond : 0);
}

void TestHttpServerState::setFault(const QString &pathPattern, const TestHttpServer::Fault &fault)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (FaultRule &rule : m_faults) {
        if (rule.pattern == pathPattern) {
            rule.fault = fault;
            return;
        }
    }
    m_faults.append({pathPattern, globToRegex(pathPattern), fault});
}

void TestHttpServerState::clearFault(const QString &pathPattern)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.removeIf([&](const FaultRule &rule) { return rule.pattern == pathPattern; });
}

void TestHttpServerState::clearFaults()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_faults.clear();
}

std::optional<TestHttpServer::Fault> TestHttpServerState::takeFault(const QString &path)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    int found = -1;
    // Specific patterns first, in order of setting; the global one last.
    for (int pass = 0; pass < 2 && found < 0; ++pass) {
        for (int i = 0; i < m_faults.size(); ++i) {
            const FaultRule &rule = m_faults.at(i);
            if (isGlobal(rule.pattern) != (pass == 1))
                continue;
            if (rule.regex.match(path).hasMatch()) {
                found = i;
                break;
            }
        }
    }
    if (found < 0)
        return std::nullopt;
    const TestHttpServer::Fault fault = m_faults.at(found).fault;
    if (fault.times > 0) {
        if (fault.times == 1)
            m_faults.removeAt(found);
        else
            --m_faults[found].fault.times;
    } else if (fault.times == 0) {
        m_faults.removeAt(found);
        return std::nullopt;
    }
    return fault;
}

void TestHttpServerState::setResponse(const QString &path, const TestHttpServer::Response &response)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_responses.insert(path, response);
}

void TestHttpServerState::removeResponse(const QString &path)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_responses.remove(path);
}

std::optional<TestHttpServer::Response> TestHttpServerState::response(const QString &path) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_responses.constFind(path);
    if (it == m_responses.constEnd())
        return std::nullopt;
    return *it;
}

void TestHttpServerState::addRewrite(const QRegularExpression &pattern, const QString &replacement)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_rewrites.append({pattern, replacement});
}

void TestHttpServerState::clearRewrites()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_rewrites.clear();
}

QByteArray TestHttpServerState::rewrite(const QByteArray &target) const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const QString text = QString::fromLatin1(target);
    for (const Rewrite &rule : m_rewrites) {
        if (rule.pattern.match(text).hasMatch()) {
            QString result = text;
            result.replace(rule.pattern, rule.replacement);
            return result.toLatin1();
        }
    }
    return target;
}

int TestHttpServerState::logRequest(const TestHttpServer::Request &request)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_log.append(request);
    return m_logOffset + int(m_log.size()) - 1;
}

void TestHttpServerState::setRequestStatus(int index, int status)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const int i = index - m_logOffset;
    if (i >= 0 && i < m_log.size())
        m_log[i].status = status;
}

QList<TestHttpServer::Request> TestHttpServerState::requests() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

void TestHttpServerState::clearRequests()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_logOffset += int(m_log.size());
    m_log.clear();
}

int TestHttpServerState::nextConnectionSerial()
{
    return ++m_connections;
}

int TestHttpServerState::connectionCount() const
{
    return m_connections.load();
}
