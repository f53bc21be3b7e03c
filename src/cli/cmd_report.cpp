// korvan-cli report: the calculation report of a project as a .docx or PDF file, headless, with the
// current report profile or a named one.

#include "cli/cliprompter.h"
#include "cli/command.h"
#include "cli/datafolder.h"
#include "cli/jsoninput.h"
#include "data/outputfile.h"
#include "data/snapshot.h"
#include "report/reportfile.h"
#include "report/reportinput.h"

#include "cli/guiapp.h"

#include <limits>

namespace kv::cli {

namespace {

constexpr const char *kUsage =
    "usage: korvan-cli report KOD [--profile NAME] -o FILE.docx|FILE.pdf\n";

class ProgressOnStderr : public ReportFeedback {
public:
    explicit ProgressOnStderr(std::ostream &err) : m_err(err) {}
    void setProgress(int step, int total) override
    {
        if (step != m_last)
            m_err << "\r" << step << "/" << total << (step == total ? "\n" : "") << std::flush;
        m_last = step;
    }

private:
    std::ostream &m_err;
    int m_last = -1;
};

int cmdReport(Context &ctx)
{
    if (ctx.args.empty()) {
        ctx.err << kUsage;
        return kExitRefused;
    }
    const int kod = static_cast<int>(
        parseIntegerArg(ctx.args[0], "код проекта", 1, std::numeric_limits<int>::max()));
    std::string profile, output;
    bool progress = false;
    for (size_t i = 1; i < ctx.args.size(); ++i) {
        const std::string &a = ctx.args[i];
        if (a == "--progress") {
            progress = true;
            continue;
        }
        if (i + 1 >= ctx.args.size()) {
            ctx.err << kUsage;
            return 2;
        }
        if (a == "--profile")
            profile = ctx.args[++i];
        else if (a == "-o")
            output = ctx.args[++i];
        else {
            ctx.err << kUsage;
            return 2;
        }
    }
    if (output.empty()) {
        ctx.err << kUsage;
        return 2;
    }

    CliPrompter prompter(&ctx.err);
    auto dm = openDataFolder(ctx, prompter);
    // The report never replaces a file of the data folder it reads.
    if (dm) {
        if (const std::string refusal = dataFolderFileRefusal(dm->dataDir(), output);
            !refusal.empty())
            throw InputRefused(refusal);
    }
    if (!dm || !locateProject(*dm, kod))
        throw InputRefused("Ошибка. Проект с кодом " + ctx.args[0] + " не найден.");
    // An unknown profile or a damaged profile table is refused like any other input.
    const ReportInput in = loadReportInput(*dm, profile);
    const auto errors = preExportErrors(in);
    for (const auto &e : errors)
        ctx.err << e << "\n";
    if (!errors.empty())
        return 2;
    if (!in.underlayProblem.empty())
        ctx.err << in.underlayProblem << "\n";

    ensureGuiApplication();
    ProgressOnStderr fb(ctx.err);
    const ReportFileResult r = writeReportFile(in, QString::fromStdString(output),
                                               ReportSession::instance(),
                                               progress ? &fb : nullptr);
    for (const auto &m : r.messages)
        ctx.err << m.text << "\n";
    if (!r.ok) {
        ctx.err << r.error.toStdString() << "\n";
        // A report the data cannot give (a picture too large) is refused; a file that cannot be
        // written is a failure.
        return r.refused ? kExitRefused : kExitFailed;
    }
    ctx.out << output << "\n";
    return 0;
}

} // namespace

KV_CLI_COMMAND(report, "report",
               "report KOD [--profile NAME] [--progress] -o FILE.docx|FILE.pdf   the calculation "
               "report",
               cmdReport);

} // namespace kv::cli
