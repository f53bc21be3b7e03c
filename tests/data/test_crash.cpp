// A writer killed at a random moment must lose no posted row and leave no half-written one.

#include "data/table.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace kv;
using kv::test::TempDir;

namespace {

struct Posted {
    std::int64_t kod;
    std::int64_t n;
};

[[noreturn]] void writer(const std::string &dir, int fd)
{
    try {
        Table t(TableId::SMo1);
        t.open(dir);
        for (std::int64_t n = 1;; ++n) {
            t.append();
            t.setValue("Kod0", 7);
            t.setValue("Tip", "Т-" + std::to_string(n));
            t.setValue("H", static_cast<double>(n) + 0.25);
            t.post();
            const Posted p{t.value("Kod").toInt(), n};
            if (write(fd, &p, sizeof p) != static_cast<ssize_t>(sizeof p))
                _exit(3);
        }
    } catch (...) {
        _exit(2);
    }
}

TEST(CrashSafety, KilledWriterLosesNoPostedRowAndLeavesNoHalfRow)
{
    std::mt19937 rng(std::random_device{}());
    for (int round = 0; round < 3; ++round) {
        TempDir dir;
        dir.create(TableId::SMo1);
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            writer(dir.path(), fds[1]);
        }
        close(fds[1]);
        // Let it post a random number of rows, then kill it at a random moment after that.
        const int before = std::uniform_int_distribution<int>(5, 60)(rng);
        std::vector<Posted> posted;
        Posted p{};
        while (static_cast<int>(posted.size()) < before && read(fds[0], &p, sizeof p) == sizeof p)
            posted.push_back(p);
        usleep(std::uniform_int_distribution<unsigned>(0, 20000)(rng));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended on its own: " << status;
        while (read(fds[0], &p, sizeof p) == sizeof p)
            posted.push_back(p);
        close(fds[0]);
        ASSERT_GE(static_cast<int>(posted.size()), before);

        Table t(TableId::SMo1);
        ASSERT_NO_THROW(t.open(dir.path()));
        // Every reported row is there; at most one more row (posted, not yet reported).
        EXPECT_GE(t.recordCount(), static_cast<int>(posted.size()));
        EXPECT_LE(t.recordCount(), static_cast<int>(posted.size()) + 1);
        for (const auto &row : posted) {
            ASSERT_TRUE(t.locate({{"Kod", Value(row.kod)}})) << row.kod;
            EXPECT_EQ(t.asText("Tip"), "Т-" + std::to_string(row.n));
        }
        // No row is half written.
        for (t.first(); !t.eof(); t.next()) {
            ASSERT_FALSE(t.isNull("Tip"));
            ASSERT_FALSE(t.isNull("H"));
            EXPECT_EQ(t.asInt("Kod0"), 7);
            EXPECT_EQ(t.asText("Tip"), "Т-" + std::to_string(static_cast<long long>(t.asDouble("H"))));
        }
        // And the file still takes new rows.
        ASSERT_TRUE(t.append());
        t.setValue("Tip", "после");
        EXPECT_TRUE(t.post());
    }
}

} // namespace
