#include "searchcontrol/commands.h"

namespace qv_searchcontrol {

const CommandRow kCommands[] = {
    {"--status", true, runStatus},
    {"--result_file_name", true, runResultFileName},
    {"--result_file_mime", true, runResultFileMime, kResultsOutOfMemory},
    {"--result_file_ini", true, runResultFileIni, kResultsOutOfMemory},
    {"--results", true, runResults, kResultsOutOfMemory},
    {"--xmlresults", true, runXmlResults, kResultsOutOfMemory},
    {"--create_task_id", false, runCreateTaskId},
    {"--tarnel_job_number", true, runTarnelJobNumber},
    {"--kill_job", true, runKillJob},
    {"--pause_job", true, runPauseJob},
    {"--resume_job", true, runResumeJob},
    {"--nice_job", true, runNiceJob},
    {"--set_to_queued", true, runSetToQueued},
    {"--version", false, runVersion},
    {"--secret_test_harness", false, runSecretTestHarness},
};

const int kNumberOfCommands = static_cast<int>(sizeof kCommands / sizeof kCommands[0]);

}  // namespace qv_searchcontrol
