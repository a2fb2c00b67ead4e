#include "UiBench.h"

#include "BuildConfiguration.h"
#include "Form1.h"
#include "Seams.h"
#include "Startup.h"
#include "VaultFile.h"
#include "frmPass.h"
#include "modGlobals.h"

#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <random>

namespace uibench {
namespace {

std::string RandomText(std::mt19937& rng, const char* alphabet, int minLength, int maxLength) {
    const std::size_t n = std::strlen(alphabet);
    std::uniform_int_distribution<int> length(minLength, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, n - 1);
    std::string out;
    const int len = length(rng);
    for (int i = 0; i < len; ++i) {
        out.push_back(alphabet[pick(rng)]);
    }
    return out;
}

QTemporaryDir& Temp() {
    static QTemporaryDir folder;
    return folder;
}

} // namespace

const std::vector<vault::Entry>& Entries() {
    static const std::vector<vault::Entry> entries = [] {
        std::mt19937 rng(20261207);
        std::vector<vault::Entry> out;
        for (int i = 0; i < vault::kMaxEntries; ++i) {
            out.push_back({RandomText(rng, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.", 5, 14) + "@mail.example",
                           RandomText(rng, "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789!#%&", 12, 24),
                           "https://www." + RandomText(rng, "abcdefghijklmnopqrstuvwxyz-", 5, 18) + ".example/"});
        }
        return out;
    }();
    return entries;
}

QString Folder() {
    return Temp().path();
}

std::string VaultPath() {
    return modGlobals::VaultPath(Folder().toStdString());
}

void Prepare() {
    Startup::PrepareApplication();
    buildConfig::ApplyBuildConfiguration();
    seams::testing::Begin(Folder());
    seams::OpenSettings()->setValue("Settings/showHelp", "0");
    if (modGlobals::SaveVault(VaultPath(), kMaster, Entries())) {
        std::exit(1);
    }
}

Form1* LogIn() {
    modGlobals::Reset();
    Form1* main = Form1::Load();
    main->Form_Load();
    frmPass* dialog = modGlobals::PasswordDialog();
    dialog->txtPass->setText(QString::fromStdString(kMaster));
    dialog->cmdOK_Click();
    return main;
}

} // namespace uibench
