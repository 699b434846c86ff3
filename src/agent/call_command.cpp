#include "agent/call_command.h"

#include <iostream>
#include <memory>
#include <optional>

#include <QApplication>

#include "agent/call_expression.h"
#include "agent/dialog_script.h"
#include "agent/json_arguments.h"
#include "agent/json_secrets.h"
#include "agent/prepared_call.h"
#include "agent/qt_ui.h"
#include "agent/script_ui.h"
#include "common/secure_buffer.h"
#include "control/headless_ui.h"
#include "control/velkor_ctrl.h"

namespace velkor {

namespace {

constexpr int kUsageError = 2;
constexpr int kScriptProblems = 3;
constexpr std::string_view kScriptPrefix = "script=";

bool IsUiChoice(const std::string& ui)
{
    return ui == "none" || ui == "qt"
        || (ui.starts_with(kScriptPrefix) && ui.size() > kScriptPrefix.size());
}

// The command line's calls may hold PINs and keys: our copies of them are wiped on every way out.
class ExpressionsWipe {
public:
    explicit ExpressionsWipe(std::vector<std::string>& expressions)
        : expressions_(expressions)
    {
    }
    ExpressionsWipe(const ExpressionsWipe&) = delete;
    ExpressionsWipe& operator=(const ExpressionsWipe&) = delete;
    ~ExpressionsWipe()
    {
        for (auto& expression : expressions_) {
            WipeString(expression);
        }
    }

private:
    std::vector<std::string>& expressions_;
};

} // namespace

int RunCallCommand(const std::vector<std::string>& args)
{
    std::vector<std::string> expressions;
    expressions.reserve(args.size()); // no reallocation leaves a short call behind
    ExpressionsWipe wipeExpressions(expressions);
    std::string ui = "none";
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--ui") {
            if (i + 1 >= args.size() || !IsUiChoice(args[i + 1])) {
                std::cerr << "velkor call: --ui takes none, qt or script=FILE\n";
                return kUsageError;
            }
            ui = args[++i];
        } else if (args[i].rfind("--ui=", 0) == 0) {
            ui = args[i].substr(5);
            if (!IsUiChoice(ui)) {
                std::cerr << "velkor call: --ui takes none, qt or script=FILE\n";
                return kUsageError;
            }
        } else {
            expressions.push_back(args[i]);
        }
    }
    if (expressions.empty()) {
        std::cerr << "usage: velkor call [--ui none|qt|script=FILE] 'Method(arg, ...)' ...\n";
        return kUsageError;
    }
    // The dialog script is read and checked before any call runs.
    std::optional<DialogScript> script;
    if (ui.starts_with(kScriptPrefix)) {
        std::string error;
        script = LoadDialogScript(ui.substr(kScriptPrefix.size()), error);
        if (!script) {
            std::cerr << "velkor call: script: " << error << "\n";
            return kUsageError;
        }
    }

    // Every call is checked before the first one runs, so a typo never leaves a half-done session.
    // Prepared calls wipe their arguments when destroyed, as the agent's queued calls do.
    std::vector<PreparedCall> calls;
    calls.reserve(expressions.size());
    for (const auto& expression : expressions) {
        std::string error;
        auto parsed = ParseCallExpression(expression, error);
        if (!parsed) {
            // The expression is not repeated: it may hold a PIN.
            std::cerr << "velkor call: " << error << "\n";
            return kUsageError;
        }
        ScopedJsonWipe wipeParams(parsed->params);
        const MethodInfo* method = FindMethod(parsed->method);
        if (method == nullptr) {
            std::cerr << "velkor call: unknown method " << parsed->method << "\n";
            return kUsageError;
        }
        auto arguments = JsonToArguments(*method, parsed->params, error);
        if (!arguments) {
            std::cerr << "velkor call: " << error << "\n";
            return kUsageError;
        }
        PreparedCall call;
        call.method = method;
        call.arguments = std::move(*arguments);
        calls.push_back(std::move(call));
    }

    // --ui qt shows message boxes and dialogs on screen, which needs a QApplication for the run.
    std::unique_ptr<QApplication> application;
    std::unique_ptr<Ui> screen;
    ScriptUi* scripted = nullptr;
    if (script) {
        auto scriptUi = std::make_unique<ScriptUi>(std::move(*script));
        scripted = scriptUi.get();
        screen = std::move(scriptUi);
    } else if (ui == "qt") {
        static int argc = 1;
        static char name[] = "velkor";
        static char* argv[] = { name, nullptr };
        application = std::make_unique<QApplication>(argc, argv);
        screen = std::make_unique<QtUi>();
    } else {
        screen = std::make_unique<HeadlessUi>();
    }
    CVelkorCtrl control(*screen);
    for (const auto& call : calls) {
        MethodResult result = call.method->invoke(control, call.arguments);
        std::string line = ResultJsonText(result);
        std::cout << line << std::endl;
        WipeString(line);
    }
    return scripted != nullptr && scripted->Problems() > 0 ? kScriptProblems : 0;
}

} // namespace velkor
