// The run's vault without any window: what each operation does to the file and to the entries, and what
// it reports. Linked with Qt Core alone.
#include "VaultSession.h"

#include "AtomicFile.h"
#include "SwitchableFiles.h"
#include "TempDir.h"
#include "VaultFile.h"
#include "VaultFormat.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using vault::Entry;
using Stored = VaultSession::Stored;

class VaultSessionTest : public ::testing::Test {
protected:
    std::string path() const { return dir.file("data.enc"); }
    void write(const std::string& master, const std::vector<Entry>& entries) {
        TempDir::Write(path(), vault::VaultBytes(master, entries));
    }
    std::string onDisk() const { return TempDir::Read(path()); }
    // A session past the gate with the stored password.
    VaultSession& opened(const std::string& master = "abcd") {
        session = std::make_unique<VaultSession>(QString::fromStdString(path()), files);
        QObject::connect(session.get(), &VaultSession::statusChanged, [this](const QString& s) { status = s; });
        const auto gate = session->open();
        EXPECT_TRUE(gate && *gate == VaultSession::Gate::Enter);
        EXPECT_FALSE(session->unlock(QString::fromStdString(master)));
        return *session;
    }
    std::vector<std::string> usernames() const {
        std::vector<std::string> names;
        for (int i = 1; i <= session->entries()->count(); ++i) {
            names.push_back(session->entries()->field(i, vault::Field::Username).toStdString());
        }
        return names;
    }
    // Another program writes the file: its stamp differs even within the same clock tick.
    void writeElsewhere(const std::string& master, const std::vector<Entry>& entries) {
        const std::string other = dir.file("other");
        TempDir::Write(other, vault::VaultBytes(master, entries));
        std::filesystem::rename(other, path());
    }

    TempDir dir;
    SwitchableFiles files;
    std::unique_ptr<VaultSession> session;
    QString status;
    const std::vector<Entry> three{{"carol", "pc", "c.example"}, {"alice", "pa", "a.example"}, {"bob", "pb", ""}};
};

TEST_F(VaultSessionTest, OpeningReportsTheGateAndNeverWritesAnUnreadableVault) {
    VaultSession fresh(QString::fromStdString(path()));
    const auto gate = fresh.open();
    ASSERT_TRUE(gate);
    EXPECT_EQ(*gate, VaultSession::Gate::Create);
    EXPECT_EQ(onDisk(), vault::EmptyVaultBytes());

    std::filesystem::remove(path());
    std::filesystem::create_directory(path());
    const auto folder = VaultSession(QString::fromStdString(path())).open();
    ASSERT_FALSE(folder);
    EXPECT_EQ(folder.error().Message(), "Could not open " + path() + ": it is a folder, not a file");
    EXPECT_TRUE(std::filesystem::is_directory(path()));
}

TEST_F(VaultSessionTest, CreatingKeepsEntriesBehindAnEmptyMasterLine) {
    write("", three);
    VaultSession first(QString::fromStdString(path()));
    ASSERT_EQ(*first.open(), VaultSession::Gate::Create);
    ASSERT_FALSE(first.create("abcd"));
    EXPECT_EQ(first.entries()->count(), 3);
    EXPECT_EQ(onDisk(), vault::VaultBytes("abcd", three));
    EXPECT_TRUE(first.isMasterPassword("abcd"));
    EXPECT_FALSE(first.isMasterPassword("abcD"));
}

// One Add is one row inserted at its sorted place: a view sees no empty row, no field change, no move.
TEST_F(VaultSessionTest, AnAddIsOneInsertAtItsPlaceAndOneSave) {
    write("abcd", three);
    VaultSession& s = opened();
    s.entries()->setSorted(true);
    int inserts = 0;
    int otherChanges = 0;
    QObject::connect(s.entries(), &EntryStore::rowsAboutToBeInserted, [&] { ++inserts; });
    QObject::connect(s.entries(), &EntryStore::fieldsChanged, [&] { ++otherChanges; });
    QObject::connect(s.entries(), &EntryStore::rowAboutToBeMoved, [&] { ++otherChanges; });
    const quint64 carol = s.entries()->rowId(3);
    const auto outcome = s.add({"bea", "pw", "b.example"});
    ASSERT_TRUE(outcome.saved());
    EXPECT_EQ(s.entries()->positionOf(carol), 4); // a save lays the entries out anew, ids and all
    EXPECT_EQ(outcome.position, 2);
    EXPECT_EQ(inserts, 1);
    EXPECT_EQ(otherChanges, 0);
    EXPECT_EQ(usernames(), (std::vector<std::string>{"alice", "bea", "bob", "carol"}));
    EXPECT_EQ(onDisk(), vault::VaultBytes("abcd", {three[1], {"bea", "pw", "b.example"}, three[2], three[0]}));
    EXPECT_EQ(status, "Added new entry.  Data saved.");
}

// A change the file does not take is taken back, and the failure names the file and the reason.
TEST_F(VaultSessionTest, AChangeThatCannotBeSavedIsTakenBack) {
    struct RefusedRename : vault::FileOps {
        int Rename(const char*, const char*) override {
            errno = EACCES;
            return -1;
        }
    } refused;
    write("abcd", three);
    VaultSession& s = opened();
    const std::string before = onDisk();
    const std::vector<std::string> names = usernames();
    files.use(&refused);
    const VaultSession::Outcome outcomes[] = {s.add({"dan", "pd", ""}),
                                              s.replace(s.entries()->rowId(1), s.entries()->item(1), {"x", "y", ""}),
                                              s.remove(s.entries()->rowId(2))};
    files.use(nullptr);
    for (const auto& outcome : outcomes) {
        EXPECT_EQ(outcome.stored, Stored::NotSaved);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->path, path());
        EXPECT_EQ(usernames(), names);
    }
    EXPECT_EQ(outcomes[2].position, 2); // the removed entry is back where it stood
    EXPECT_EQ(onDisk(), before);
    EXPECT_EQ(status, "Not saved.");
    EXPECT_EQ(s.remove(12345).stored, Stored::EntryGone);
    EXPECT_EQ(s.replace(12345, {"nobody", "pn", ""}, {"x", "y", ""}).stored, Stored::EntryGone);
}

// An import is one save: the new passwords in their entries' places, the additions after, in display order;
// declined, it changes neither the file nor the entries.
TEST_F(VaultSessionTest, AnImportIsOneSaveOrNothing) {
    write("abcd", three);
    VaultSession& s = opened();
    s.entries()->setSorted(true); // by username: alice, bob, carol
    const auto file =
        vault::ReadImport("url,username,password\n,bob,new-pb\nd.example,dan,pd\na.example,alice,pa\n", "in.csv");
    ASSERT_TRUE(file);
    const vault::ImportPlan plan = s.planImport(*file, true);
    ASSERT_EQ(plan.duplicates, 1u);

    // Another program removed carol meanwhile: the import is planned anew against the file as it is.
    writeElsewhere("abcd", {three[1], three[2]});
    ASSERT_TRUE(s.importEntries(*file, true).saved());
    EXPECT_EQ(status, "Imported 2 entries.  Data saved.");
    EXPECT_EQ(onDisk(), vault::VaultBytes(
                            "abcd", {{"alice", "pa", "a.example"}, {"bob", "new-pb", ""}, {"dan", "pd", "d.example"}}));
    EXPECT_EQ(usernames(), (std::vector<std::string>{"alice", "bob", "dan"}));
    EXPECT_EQ(s.entries()->field(2, vault::Field::Password).toStdString(), "new-pb");
}

// A change made after another program wrote the file is applied to the file as it is now. Only an edit or
// a delete whose own entry the other program changed or removed is asked about, and no answer writes
// over what it wrote.
TEST_F(VaultSessionTest, AChangeIsAppliedToTheFileAsAnotherProgramLeftIt) {
    enum Change { Add, Edit, Delete };
    enum Asked { NotAsked, AskedGone, AskedChanged };
    const Entry them{"them", "pt", ""};
    const Entry bobThere{"bob", "pX", ""};
    const Entry bobTyped{"bob", "pb2", "b.example"};
    const Entry dan{"dan", "pd", ""};
    const std::vector<Entry> added{three[0], three[1], three[2], them};
    const std::vector<Entry> bobChanged{three[0], three[1], bobThere};
    const std::vector<Entry> bobGone{three[0], three[1]};
    struct Case {
        const char* name;
        std::vector<Entry> theirs;
        Change change; // an entry added, or bob (three[2]) edited or deleted
        bool answer;
        Asked asked;
        Stored stored;
        std::vector<Entry> after;
    };
    const Case cases[] = {
        {"add beside an add", added, Add, false, NotAsked, Stored::Saved, {three[0], three[1], three[2], them, dan}},
        {"edit beside an add", added, Edit, false, NotAsked, Stored::Saved, {three[0], three[1], bobTyped, them}},
        {"delete beside an add", added, Delete, false, NotAsked, Stored::Saved, {three[0], three[1], them}},
        {"edit of a changed entry, No", bobChanged, Edit, false, AskedChanged, Stored::Declined, bobChanged},
        {"edit of a changed entry, Yes",
         bobChanged,
         Edit,
         true,
         AskedChanged,
         Stored::Saved,
         {three[0], three[1], bobThere, bobTyped}},
        {"edit of a removed entry, Yes", bobGone, Edit, true, AskedGone, Stored::Saved, {three[0], three[1], bobTyped}},
        {"delete of a changed entry, No", bobChanged, Delete, false, AskedChanged, Stored::Declined, bobChanged},
        {"delete of a changed entry, Yes", bobChanged, Delete, true, AskedChanged, Stored::Saved, bobGone},
        {"delete of a removed entry", bobGone, Delete, true, NotAsked, Stored::EntryGone, bobGone},
    };
    const auto listed = [](const Entry& e) {
        return ListEntry{QString::fromStdString(e.username), QString::fromStdString(e.password),
                         QString::fromStdString(e.location)};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write("abcd", three);
        VaultSession& s = opened();
        const quint64 bob = s.entries()->rowId(3);
        Asked asked = NotAsked;
        s.setConflictQuestion([&](const VaultSession::Conflict& conflict) {
            EXPECT_EQ(conflict.removal, c.change == Delete);
            EXPECT_EQ(conflict.entry, listed(three[2]));
            asked = conflict.changed ? AskedChanged : AskedGone;
            return c.answer;
        });
        writeElsewhere("abcd", c.theirs);
        const VaultSession::Outcome outcome = c.change == Add    ? s.add(listed(dan))
                                              : c.change == Edit ? s.replace(bob, listed(three[2]), listed(bobTyped))
                                                                 : s.remove(bob);
        EXPECT_EQ(outcome.stored, c.stored);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(onDisk(), vault::VaultBytes("abcd", c.after));
        std::vector<std::string> names;
        for (const Entry& e : c.after) {
            names.push_back(e.username);
        }
        EXPECT_EQ(usernames(), names); // the entries are the file's
    }
}

TEST_F(VaultSessionTest, AReloadTakesTheFilesEntriesKeepingTheSort) {
    write("abcd", three);
    VaultSession& s = opened();
    s.entries()->setSortKey(vault::Field::Username);
    s.entries()->setSortOrder(EntryStore::Descending);
    s.entries()->setSorted(true);
    EXPECT_EQ(s.reload().result, VaultSession::Reload::Unchanged);
    writeElsewhere("abcd", {{"ann", "1", ""}, {"zed", "2", ""}, {"kim", "3", ""}});
    EXPECT_TRUE(s.changedElsewhere());
    EXPECT_EQ(s.reload().result, VaultSession::Reload::Reloaded);
    EXPECT_FALSE(s.changedElsewhere());
    EXPECT_EQ(usernames(), (std::vector<std::string>{"zed", "kim", "ann"}));
    EXPECT_EQ(status, "Reloaded 3 entries: the file was changed by another program");

    // A file that cannot be read is reported once; the entries stay.
    std::filesystem::remove(path());
    std::filesystem::create_directory(path());
    const auto failed = s.reload();
    EXPECT_EQ(failed.result, VaultSession::Reload::Failed);
    ASSERT_TRUE(failed.error);
    EXPECT_EQ(s.reload().result, VaultSession::Reload::Unchanged);
    EXPECT_EQ(s.entries()->count(), 3);
}

// A new master password set elsewhere is never written over with the old one: the entries go until it
// is typed, and every save is refused meanwhile without asking.
TEST_F(VaultSessionTest, ANewMasterPasswordSetElsewhereIsNeverOverwritten) {
    write("abcd", three);
    VaultSession& s = opened();
    s.setConflictQuestion([](const VaultSession::Conflict&) { return true; });
    writeElsewhere("n3w-pass", three);
    EXPECT_EQ(s.remove(s.entries()->rowId(1)).stored, Stored::NewMasterPassword);
    EXPECT_EQ(s.entries()->count(), 0);
    EXPECT_EQ(s.add({"dan", "pd", ""}).stored, Stored::NewMasterPassword);
    EXPECT_EQ(onDisk(), vault::VaultBytes("n3w-pass", three));
    EXPECT_FALSE(s.isMasterPassword("abcd"));
    ASSERT_TRUE(s.isMasterPassword("n3w-pass"));
    ASSERT_FALSE(s.unlock("n3w-pass"));
    EXPECT_EQ(s.entries()->count(), 3);
    ASSERT_TRUE(s.add({"dan", "pd", ""}).saved());
    EXPECT_EQ(vault::ReadMasterLine(onDisk()), "n3w-pass");
}

// A sealed vault: its password is the one its seal opens; every save keeps it sealed, and what another
// program does to it (seals it anew, under the same password or another, or unseals it) is followed.
TEST_F(VaultSessionTest, ASealedVaultOpensWithItsSealAndKeepsItsFormThroughChangesElsewhere) {
    const auto sealElsewhere = [this](const std::string& master, const std::vector<Entry>& entries) {
        auto key = vault::SealKey::Fresh(master, vault::kLeastSealCost, path());
        ASSERT_TRUE(key);
        const std::string other = dir.file("other");
        ASSERT_FALSE(vault::SaveVault(other, vault::Secret(master), entries, vault::SystemFileOps(), &*key));
        std::filesystem::rename(other, path());
    };
    const auto sealedOnDisk = [this](const std::string& master) {
        std::optional<vault::SealKey> key;
        auto loaded = vault::LoadVault(path(), vault::kMaxEntries, vault::SystemFileOps(), master, key);
        return loaded && loaded->sealed ? static_cast<int>(loaded->entries.size()) : -1;
    };
    sealElsewhere("abcd", three);
    session = std::make_unique<VaultSession>(QString::fromStdString(path()), files);
    VaultSession& s = *session;
    ASSERT_EQ(*s.open(), VaultSession::Gate::Enter);
    EXPECT_FALSE(s.isMasterPassword("abcde"));
    EXPECT_FALSE(s.sealFailure());
    ASSERT_TRUE(s.isMasterPassword("abcd"));
    ASSERT_FALSE(s.unlock("abcd"));
    EXPECT_EQ(s.entries()->count(), 3);
    ASSERT_TRUE(s.add({"dan", "pd", ""}).saved());
    EXPECT_EQ(sealedOnDisk("abcd"), 4);

    sealElsewhere("abcd", three);
    EXPECT_EQ(s.reload().result, VaultSession::Reload::Reloaded);
    ASSERT_TRUE(s.add({"eve", "pe", ""}).saved());
    EXPECT_EQ(sealedOnDisk("abcd"), 4);
    sealElsewhere("abcd", three); // read again, with the key, as the add saves
    ASSERT_TRUE(s.add({"eve", "pe", ""}).saved());
    EXPECT_EQ(sealedOnDisk("abcd"), 4);

    sealElsewhere("n3w-pass", three);
    EXPECT_EQ(s.reload().result, VaultSession::Reload::NewMasterPassword);
    EXPECT_EQ(s.add({"dan", "pd", ""}).stored, Stored::NewMasterPassword);
    EXPECT_FALSE(s.isMasterPassword("abcd"));
    ASSERT_TRUE(s.isMasterPassword("n3w-pass"));
    ASSERT_FALSE(s.unlock("n3w-pass"));
    ASSERT_TRUE(s.add({"dan", "pd", ""}).saved());
    EXPECT_EQ(sealedOnDisk("n3w-pass"), 4);

    writeElsewhere("n3w-pass", three);
    EXPECT_EQ(s.reload().result, VaultSession::Reload::Reloaded);
    EXPECT_FALSE(s.sealed());
    ASSERT_TRUE(s.add({"dan", "pd", ""}).saved());
    EXPECT_EQ(onDisk(), vault::VaultBytes("n3w-pass", {three[0], three[1], three[2], {"dan", "pd", ""}}));
}

// Sealing, unsealing and a new master password from the window: the file's own bytes change form, a change
// made elsewhere since the last read stops each of them, and a sealed vault stays sealed under the new
// password.
TEST_F(VaultSessionTest, SealsUnsealsAndChangesTheMasterPasswordOnlyOverTheFileItRead) {
    const auto fresh = [this](const char* master) {
        auto key = vault::SealKey::Fresh(master, vault::kLeastSealCost, path());
        EXPECT_TRUE(key);
        return std::optional<vault::SealKey>(std::move(*key));
    };
    const auto sealedEntries = [this](const std::string& master) {
        std::optional<vault::SealKey> key;
        auto loaded = vault::LoadVault(path(), vault::kMaxEntries, vault::SystemFileOps(), master, key);
        return loaded && loaded->sealed ? static_cast<int>(loaded->entries.size()) : -1;
    };
    // A line the writer would not write (an empty one) comes back as it was.
    const std::string plain = vault::VaultBytes("abcd", three) + "\r\n";
    TempDir::Write(path(), plain);
    VaultSession& s = opened();
    s.entries()->setSorted(true); // the file's order is kept all the same

    EXPECT_EQ(s.changeForm(std::nullopt).stored, Stored::NotSaved); // not sealed
    ASSERT_TRUE(s.changeForm(fresh("abcd")).saved());
    EXPECT_TRUE(s.sealed());
    EXPECT_EQ(onDisk().find("alice"), std::string::npos);
    EXPECT_EQ(sealedEntries("abcd"), 3);
    ASSERT_TRUE(s.changeForm(std::nullopt).saved());
    EXPECT_FALSE(s.sealed());
    EXPECT_EQ(onDisk(), plain);

    // Changed elsewhere since it was read: nothing is written, and the message says why.
    writeElsewhere("abcd", {{"them", "pt", ""}});
    for (const auto& outcome : {s.changeForm(fresh("abcd")), s.changeMasterPassword("n3w-pass", std::nullopt)}) {
        EXPECT_EQ(outcome.stored, Stored::NotSaved);
        ASSERT_TRUE(outcome.error);
        EXPECT_NE(outcome.error->Message().find("another program changed it"), std::string::npos);
    }
    EXPECT_EQ(onDisk(), vault::VaultBytes("abcd", {{"them", "pt", ""}}));

    ASSERT_EQ(s.reload().result, VaultSession::Reload::Reloaded);
    ASSERT_TRUE(s.changeMasterPassword("n3w-pass", std::nullopt).saved());
    EXPECT_EQ(onDisk(), vault::VaultBytes("n3w-pass", {{"them", "pt", ""}}));
    EXPECT_EQ(s.masterPassword(), "n3w-pass");
    EXPECT_TRUE(s.isMasterPassword("n3w-pass"));

    ASSERT_TRUE(s.changeForm(fresh("n3w-pass")).saved());
    EXPECT_EQ(s.changeMasterPassword("0ther-pass", std::nullopt).stored, Stored::NotSaved); // no key to seal with
    ASSERT_TRUE(s.changeMasterPassword("0ther-pass", fresh("0ther-pass")).saved());
    EXPECT_EQ(sealedEntries("0ther-pass"), 1);
    EXPECT_EQ(sealedEntries("n3w-pass"), -1);
    ASSERT_TRUE(s.add({"dan", "pd", ""}).saved()); // later saves seal with the new key
    EXPECT_EQ(sealedEntries("0ther-pass"), 2);
}

TEST_F(VaultSessionTest, AFileOfMoreEntriesThanTheFormatHoldsIsNeverSaved) {
    std::vector<Entry> many(vault::kMaxEntries + 1, Entry{"u", "p", ""});
    write("abcd", many);
    VaultSession& s = opened();
    EXPECT_EQ(s.entries()->count(), vault::kMaxEntries);
    EXPECT_NE(s.readOnlyReason().indexOf("holds 32,768 entries"), -1);
    EXPECT_EQ(s.add({"dan", "pd", ""}).stored, Stored::ReadOnly);
    EXPECT_EQ(s.remove(s.entries()->rowId(1)).stored, Stored::ReadOnly);
    EXPECT_EQ(s.entries()->count(), vault::kMaxEntries);
    EXPECT_EQ(onDisk(), vault::VaultBytes("abcd", many));

    many.pop_back();
    write("abcd", many);
    VaultSession& full = opened();
    EXPECT_TRUE(full.readOnlyReason().isEmpty());
    EXPECT_EQ(full.add({"dan", "pd", ""}).stored, Stored::ListFull);
}

// Saves killed half-way leave temporaries; opening removes those old enough that no save is still
// writing them, and keeps younger ones.
TEST_F(VaultSessionTest, OpeningRemovesOnlyTemporariesOlderThanTenMinutes) {
    write("abcd", three);
    const auto aged = [&](const std::string& name, int seconds) {
        const std::string file = dir.file(std::string(vault::kTemporaryPrefix) + name);
        TempDir::Write(file, "x");
        const timespec times[2] = {{time(nullptr) - seconds, 0}, {time(nullptr) - seconds, 0}};
        utimensat(AT_FDCWD, file.c_str(), times, 0);
        return file;
    };
    const std::string young = aged("young1", 9 * 60 + 30);
    const std::string old = aged("old123", 10 * 60 + 30);
    opened();
    EXPECT_TRUE(std::filesystem::exists(young));
    EXPECT_FALSE(std::filesystem::exists(old));
}

} // namespace
