#include "agent/call_command.h"

#include <iostream>
#include <memory>
#include <optional>

#include <QApplication>

#include "agent/call_expression.h"
#include "agent/json_arguments.h"
#include "agent/qt_ui.h"
#include "control/headless_ui.h"
#include "control/velkor_ctrl.h"

namespace velkor {

namespace {

constexpr int kUsageError = 2;

struct PreparedCall {
    const MethodInfo* method;
    std::vector<MethodArgument> arguments;
};

} // namespace

int RunCallCommand(const std::vector<std::string>& args)
{
    std::vector<std::string> expressions;
    std::string ui = "none";
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--ui") {
            if (i + 1 >= args.size() || (args[i + 1] != "none" && args[i + 1] != "qt")) {
                std::cerr << "velkor call: --ui takes none or qt\n";
                return kUsageError;
            }
            ui = args[++i];
        } else if (args[i].rfind("--ui=", 0) == 0) {
            ui = args[i].substr(5);
            if (ui != "none" && ui != "qt") {
                std::cerr << "velkor call: --ui takes none or qt\n";
                return kUsageError;
            }
        } else {
            expressions.push_back(args[i]);
        }
    }
    if (expressions.empty()) {
        std::cerr << "usage: velkor call [--ui none|qt] 'Method(arg, ...)' ...\n";
        return kUsageError;
    }

    // Every call is checked before the first one runs, so a typo never leaves a half-done session.
    std::vector<PreparedCall> calls;
    for (const auto& expression : expressions) {
        std::string error;
        const auto parsed = ParseCallExpression(expression, error);
        if (!parsed) {
            std::cerr << "velkor call: " << error << ": " << expression << "\n";
            return kUsageError;
        }
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
        calls.push_back({ method, std::move(*arguments) });
    }

    // --ui qt shows message boxes and dialogs on screen, which needs a QApplication for the run.
    std::unique_ptr<QApplication> application;
    std::unique_ptr<Ui> screen;
    if (ui == "qt") {
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
        const MethodResult result = call.method->invoke(control, call.arguments);
        std::cout << ResultToJson(result).dump() << std::endl;
    }
    return 0;
}

} // namespace velkor
