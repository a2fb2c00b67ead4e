// What the hook check must find, each kind once on the even lines, and what it must let pass on the odd ones.
namespace testing {
namespace testingTools {
using seams::testing::Begin;
bool top = window->testAttribute(Qt::WA_WState_Created);
FileOps* SetFileOps(FileOps* ops);
FileOps* SetFileOpsOf(FileOps* ops);
void SetReportedVersion(int platformId, int major);
void EnforceLimits();
void ForceBanner(bool banner);
const Record& record = table.records.front();
const QStringList& recorded() const;
bool zero = HasZero(word); // the classic test for a zero byte
// The calls made, for tests only.
QString format = forTestament;
QStringList recordedCalls;
QStringList records_;
void setForTesting(bool on);
int shortestLatestLength;
#ifdef KEYSHELF_TESTING
#ifdef KEYSHELF_SKIN
bool kForceSkin = true;
void enforceQuota();
/* there only for tests */
/* the latest contests */
void isTestOnly();
QString latestOnly;
void install_test_hook();
