#include "OrderDraft.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace order {

namespace {

    const QByteArray kVersion = "ORDER-DRAFT 1";
    constexpr int kMaxLines = 99;

    void AppendEscaped(QByteArray& out, const QString& value)
    {
        const QByteArray utf8 = value.toUtf8();
        for (const char c : utf8) {
            switch (c) {
            case '\\':
                out.append("\\\\", 2);
                break;
            case '\t':
                out.append("\\t", 2);
                break;
            case '\r':
                out.append("\\r", 2);
                break;
            case '\n':
                out.append("\\n", 2);
                break;
            default:
                out.append(c);
            }
        }
    }

    bool Unescape(const QByteArray& field, QString& value)
    {
        QByteArray out;
        out.reserve(field.size());
        for (qsizetype i = 0; i < field.size(); ++i) {
            if (field[i] != '\\') {
                out += field[i];
                continue;
            }
            if (++i >= field.size())
                return false;
            switch (field[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            default:
                return false;
            }
        }
        value = QString::fromUtf8(out);
        return true;
    }

    void Record(QByteArray& out, const char* name, const QString& value)
    {
        out += name;
        out += '\t';
        AppendEscaped(out, value);
        out += '\n';
    }

    bool ReadNumber(const QString& text, long long low, long long high, long long& value)
    {
        bool ok = false;
        value = text.toLongLong(&ok);
        return ok && value >= low && value <= high;
    }

} // namespace

QByteArray FormatDraft(const OrderDraft& d)
{
    QByteArray out;
    out.reserve(256 + static_cast<qsizetype>(d.order.Lines.size()) * 96);
    out += kVersion + '\n';
    const OrderOnScreen& o = d.order;
    Record(out, "M_CODE", d.member);
    Record(out, "C_CODE", d.customer);
    Record(out, "OrderCode", o.OrderCode);
    Record(out, "OrderDate", o.OrderDate);
    Record(out, "OrderTime", o.OrderTime);
    Record(out, "OrderState", QString::fromLatin1(WireLetter(o.OrderState)));
    Record(out, "SendCount", QString::number(o.SendCount));
    Record(out, "EdtDD", o.DeliveryDate);
    Record(out, "EdtNote", o.Note);
    Record(out, "ChkBxIOG", o.StillWriting ? QStringLiteral("1") : QStringLiteral("0"));
    Record(out, "LostSince", o.LostSendSince.isValid() ? o.LostSendSince.toString(Qt::ISODate) : QString());
    for (const OrderItem& l : o.Lines) {
        out += "LINE";
        for (const QString* field : { &l.code, &l.name, &l.unit, &l.qty, &l.note }) {
            out += '\t';
            AppendEscaped(out, *field);
        }
        out += '\n';
    }
    Record(out, "END", QString::number(o.Lines.size()));
    return out;
}

bool ParseDraft(const QByteArray& data, OrderDraft& draft)
{
    if (!data.endsWith('\n'))
        return false;
    QList<QByteArray> records = data.split('\n');
    records.removeLast(); // after the final line feed
    if (records.isEmpty() || records.front() != kVersion)
        return false;
    OrderDraft d;
    OrderOnScreen& o = d.order;
    QString state, lost;
    QString* const header[] = { &d.member, &d.customer, &o.OrderCode, &o.OrderDate, &o.OrderTime, &state, nullptr,
        &o.DeliveryDate, &o.Note, nullptr, &lost };
    const char* const names[] = { "M_CODE", "C_CODE", "OrderCode", "OrderDate", "OrderTime", "OrderState", "SendCount",
        "EdtDD", "EdtNote", "ChkBxIOG", "LostSince" };
    constexpr int kHeader = 11;
    if (records.size() < 1 + kHeader + 1)
        return false;
    for (int i = 0; i < kHeader; ++i) {
        const QList<QByteArray> f = records[1 + i].split('\t');
        QString value;
        if (f.size() != 2 || f[0] != names[i] || !Unescape(f[1], value))
            return false;
        if (header[i]) {
            *header[i] = value;
        } else if (i == 6) {
            long long n = 0;
            if (!ReadNumber(value, -32768, 32767, n))
                return false;
            o.SendCount = static_cast<std::int16_t>(n);
        } else {
            if (value != QLatin1String("0") && value != QLatin1String("1"))
                return false;
            o.StillWriting = value == QLatin1String("1");
        }
    }
    o.OrderState = OrderStatusFromWire(state.toStdString());
    if (!lost.isEmpty()) {
        o.LostSendSince = QDateTime::fromString(lost, Qt::ISODate);
        if (!o.LostSendSince.isValid())
            return false;
    }
    const qsizetype last = records.size() - 1;
    for (qsizetype r = 1 + kHeader; r < last; ++r) {
        const QList<QByteArray> f = records[r].split('\t');
        OrderItem line;
        if (f.size() != 6 || f[0] != "LINE" || !Unescape(f[1], line.code) || !Unescape(f[2], line.name)
            || !Unescape(f[3], line.unit) || !Unescape(f[4], line.qty) || !Unescape(f[5], line.note)
            || line.code.isEmpty())
            return false;
        o.Lines.push_back(std::move(line));
    }
    const QList<QByteArray> end = records[last].split('\t');
    long long count = 0;
    if (end.size() != 2 || end[0] != "END" || !ReadNumber(QString::fromLatin1(end[1]), 0, kMaxLines, count)
        || count != static_cast<long long>(o.Lines.size()))
        return false;
    draft = std::move(d);
    return true;
}

QString DraftPath(const QString& workDir, const QString& member, const QString& customer)
{
    auto safe = [](const QString& code) {
        QString out;
        for (const QChar c : code) {
            if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))) {
                out += c;
            } else {
                for (const char b : QString(c).toUtf8())
                    out += QStringLiteral("_%1").arg(static_cast<unsigned char>(b), 2, 16, QLatin1Char('0'));
            }
        }
        return out;
    };
    return workDir + QStringLiteral("order-draft-") + safe(member) + QLatin1Char('-') + safe(customer)
        + QStringLiteral(".txt");
}

bool WriteFileAtomically(const QString& path, const QByteArray& data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // An order is the shop's business alone.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // A failed write makes commit() discard the temporary file and leave the
    // draft as it was.
    file.write(data);
    return file.commit();
}

struct DraftWriter::Impl {
    std::mutex m;
    std::condition_variable changed;
    // Newest operation per file: data to write, or nullopt to remove.
    std::map<QString, std::optional<QByteArray>> pending;
    bool busy = false;
    bool stop = false;
    std::thread thread;

    void Run()
    {
        std::unique_lock lock(m);
        for (;;) {
            changed.wait(lock, [this] { return stop || !pending.empty(); });
            if (pending.empty())
                return; // stopping with nothing left
            auto next = pending.extract(pending.begin());
            busy = true;
            lock.unlock();
            if (next.mapped())
                WriteFileAtomically(next.key(), *next.mapped());
            else
                QFile::remove(next.key());
            lock.lock();
            busy = false;
            changed.notify_all();
        }
    }
};

DraftWriter::DraftWriter()
    : impl_(std::make_unique<Impl>())
{
    impl_->thread = std::thread([this] { impl_->Run(); });
}

DraftWriter::~DraftWriter()
{
    {
        std::lock_guard lock(impl_->m);
        impl_->stop = true;
    }
    impl_->changed.notify_all();
    impl_->thread.join();
}

void DraftWriter::Write(const QString& path, QByteArray data)
{
    {
        std::lock_guard lock(impl_->m);
        impl_->pending[path] = std::move(data);
    }
    impl_->changed.notify_all();
}

void DraftWriter::Remove(const QString& path)
{
    {
        std::lock_guard lock(impl_->m);
        impl_->pending[path] = std::nullopt;
    }
    impl_->changed.notify_all();
}

void DraftWriter::Flush()
{
    std::unique_lock lock(impl_->m);
    impl_->changed.wait(lock, [this] { return impl_->pending.empty() && !impl_->busy; });
}

DraftLoad LoadDraft(const QString& path, const QString& member, const QString& customer, OrderDraft& draft)
{
    // What an interrupted write leaves: the temporary file of an earlier
    // version of the program, or QSaveFile's where the file system cannot
    // hide it until it is renamed.
    QFile::remove(path + QStringLiteral(".tmp"));
    const QFileInfo info(path);
    for (const QString& name : info.dir().entryList({ info.fileName() + QStringLiteral(".??????") }, QDir::Files))
        info.dir().remove(name);
    QFile file(path);
    if (!file.exists())
        return DraftLoad::None;
    // A draft is a few kilobytes; anything far larger is no draft of ours.
    const bool readable = file.open(QIODevice::ReadOnly) && file.size() <= (1 << 20);
    const QByteArray data = readable ? file.readAll() : QByteArray();
    file.close();
    OrderDraft d;
    if (readable && ParseDraft(data, d) && d.member == member && d.customer == customer) {
        draft = std::move(d);
        return DraftLoad::Loaded;
    }
    const QString aside
        = path + QStringLiteral(".bad-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmsszzz"));
    if (!QFile::rename(path, aside))
        QFile::remove(path);
    return DraftLoad::Broken;
}

} // namespace order
