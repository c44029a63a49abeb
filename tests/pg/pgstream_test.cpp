// A million rows over the network: streamed by the export writer with flat
// memory (the driver fetches with a server cursor), then UNLOADed and LOADed
// back through the client.
#include "pgfixture.h"

#include "../bench/peakrss.h"
#include "output/exportwriter.h"
#include "workspace/loadunload.h"

#include <QIODevice>

#include <algorithm>

using namespace quodlin;
using namespace quodlin::test;

namespace {

// Counts what is written and keeps none of it.
class CountingDevice : public QIODevice {
public:
    CountingDevice() { open(QIODevice::WriteOnly); }
    qint64 lines = 0;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        lines += std::count(data, data + size, '\n');
        return size;
    }
};

double residentMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

TEST_F(PgTest, MillionRowsStreamWithFlatMemoryAndUnloadAndLoadBack)
{
    run("drop table if exists big");
    run("drop table if exists bigcopy");
    run("create table big as select g as id, 'row ' || g as name, cast(g * 1.25 as numeric(14,2)) as amount"
        " from generate_series(1, 1000000) g");
    run("create table bigcopy (like big)");

    const double before = residentMb();
    bench::resetPeakRss();
    auto q = query("select * from big");
    q->setForwardOnly(true);
    q->open();
    CountingDevice out;
    ExportOptions options;
    options.format = ExportFormat::Unload;
    const ExportResult written = WriteQuery(*q, out, options);
    ASSERT_TRUE(written.ok()) << written.message().toStdString();
    EXPECT_EQ(out.lines, 1000000);
    // A result kept whole would need hundreds of megabytes.
    EXPECT_LT(bench::peakRssMb() - before, 40.0) << "peak " << bench::peakRssMb() << " MB from " << before;
    q->close();

    const QString file = m_dir.filePath(QStringLiteral("big.unl"));
    auto client = [&](const QString &statement) {
        return RunClientStatement(*m_session, QLatin1String(kName), *ParseClientStatement(statement));
    };
    EXPECT_EQ(client(QStringLiteral("unload to '%1' select * from big").arg(file)).rows, 1000000);
    EXPECT_EQ(client(QStringLiteral("load from '%1' insert into bigcopy").arg(file)).message,
              QStringLiteral("1000000 row(s) loaded."));
    EXPECT_EQ(value("select count(*) from (select * from big except select * from bigcopy) d"), QStringLiteral("0"));
    EXPECT_EQ(value("select count(*) from bigcopy"), QStringLiteral("1000000"));
}

} // namespace
