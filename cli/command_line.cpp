// The command line itself: the commands, their options and help, and the run of one.

#include "cli/cli.h"

#include "store/paths.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

struct Command {
    const char* name;
    void (*run)(Context&);
    const char* synopsis;
    QStringList options;  // beyond the common ones
    const char* help;
};

// Options that take a value, and the member each fills.
struct ValueOption {
    const char* name;
    QString Options::*member;
};
const ValueOption kValueOptions[] = {
    {"--category", &Options::category}, {"--name", &Options::name}, {"--desc", &Options::description},
    {"--type", &Options::type},         {"--file", &Options::file}, {"--output", &Options::output},
    {"--level", &Options::level},
};

const QList<Command>& commands() {
    static const QList<Command> list = {
        {"list",
         runList,
         "list [CATEGORY] [--categories]",
         {"--categories"},
         "Lists the items of CATEGORY and of every category below it (the whole library without one), one a\n"
         "line: KEY, a tab, Category/Path/Name, a tab, the type, a tab, the description's first line.\n"
         "  --categories   list the category paths instead, one a line\n"
         "  --json         an array of {key, category, name, type, description, lastChanged}\n"
         "                 (with --categories: {key, path, name, parent})"},
        {"search",
         runSearch,
         "search TEXT",
         {},
         "Lists the items whose category, name or description holds TEXT, as list does: the window's quick\n"
         "search, the same statement and matching (ignoring case; * ? # [ ] act as wildcards). Blanks alone\n"
         "find nothing."},
        {"show",
         runShow,
         "show ITEM [--output FILE]",
         {"--output"},
         "Writes the item's code to standard output exactly as stored (no line feed added); a web "
         "shortcut's\n"
         "address and a line feed; a stored file's bytes when the output is not a terminal.\n"
         "  --output FILE  write it to FILE instead (replaced whole once complete)\n"
         "  --json         {key, category, name, type, description, lastChanged, code} ({..., size} for a "
         "file)"},
        {"add",
         runAdd,
         "add --category C --name N [--desc D] [--type text|web|file] [--file PATH]",
         {"--category", "--name", "--desc", "--type", "--file"},
         "Adds an item to the category C (made beforehand with mkcat) and prints its key.\n"
         "  text  the code comes from --file PATH, else from standard input; it must be UTF-8 text\n"
         "  web   the name is the address (http://, https:// or www.)\n"
         "  file  the bytes come from --file PATH (the name defaults to its file name), else standard input"},
        {"edit",
         runEdit,
         "edit ITEM",
         {},
         "Opens the item in $VISUAL (else $EDITOR) on a private copy and takes the copy back when the\n"
         "editor ends with status 0 and the file changed: code, a stored file's bytes, a web shortcut's\n"
         "address. When it cannot be saved, the changed copy stays and its path is told."},
        {"rm", runRemove, "rm ITEM [--yes]", {}, "Deletes the item, after asking (answer with --yes)."},
        {"mv", runMove, "mv ITEM CATEGORY", {}, "Files the item under another category."},
        {"mkcat",
         runMakeCategory,
         "mkcat PATH",
         {},
         "Makes the category PATH (\"Database/SQL/Safe\") and every missing level above it; prints its key.\n"
         "An existing category is left as it is."},
        {"check",
         runCheck,
         "check",
         {},
         "Opens the library only to read it and checks it: the engine's integrity check, the System row,\n"
         "the schema version against the design master's. Exit status 0 when sound, 1 when damaged or not a\n"
         "Code Library, 3 when missing, 5 when locked.\n"
         "  --json         {library, sound, problems, group, groupGuid, version, currentVersion, categories, "
         "items}"},
        {"compact",
         runCompact,
         "compact",
         {},
         "Rewrites the library without its free space, under its exclusive lock, beside it, then in its "
         "place."},
        {"repair",
         runRepair,
         "repair",
         {},
         "Repairs the library (every row that can still be read) and compacts it, as the window's Repair "
         "and\n"
         "Compact does; the old file is put back when anything fails."},
        {"replicate",
         runReplicate,
         "replicate TARGET [--yes]",
         {},
         "Makes TARGET a new replica of the library (a member of its replica set and group). An existing\n"
         "TARGET is replaced only when answered --yes, and only once no other program uses it."},
        {"sync",
         runSync,
         "sync OTHER [--import|--export|--both] [--no-backup] [--yes]",
         {"--import", "--export", "--both", "--no-backup"},
         "Exchanges changes with OTHER, a member of the same library group: --import takes its changes,\n"
         "--export gives ours, --both (the default) does both. Deletions travel too. First asks (answer "
         "with\n"
         "--yes) and keeps a .bak copy beside each library that changes (unless --no-backup)."},
        {"backup",
         runBackup,
         "backup DIR [--zip] [--level 0-4] [--yes]",
         {"--zip", "--level"},
         "Copies the library into the folder DIR under its own name, or packs it into <name>.zip with --zip\n"
         "(the zip program; --level 0 most compression ... 4 none, default 1). An existing copy is replaced\n"
         "only when answered --yes. Prints the copy's path."},
        {"import",
         runImport,
         "import vscode|pet|folder PATH [--category C] [--replace]",
         {"--category", "--replace"},
         "Imports another collection into the category C, made when missing, in one transaction: all of it\n"
         "or, on any error, nothing.\n"
         "  vscode  a VS Code snippet file (*.code-snippets, or a per-language <language>.json) or a folder\n"
         "          of them. Each snippet is an item: its name, its body (text or lines) as the code, its\n"
         "          description. The LANGUAGE BECOMES A CATEGORY below C: a per-language file's language,\n"
         "          a snippet's \"scope\" as written (\"javascript,typescript\"), else the file's name. A\n"
         "          prefix other than the name is kept as the description's last line \"Prefix: ...\".\n"
         "          Comments and trailing commas are allowed. C defaults to \"VS Code Snippets\".\n"
         "  pet     a pet snippet.toml: description as the name (the command's first line when empty),\n"
         "          command as the code, tags and output as the description's lines \"Tags: a, b\" and\n"
         "          \"Output: ...\". C defaults to \"pet\".\n"
         "  folder  a folder tree: folders become categories, UTF-8 text files text items, .url and\n"
         "          .desktop links web shortcuts, any other file a stored file, each under its file name.\n"
         "          Links to other files and folders are left out (and told). C defaults to the folder's "
         "name.\n"
         "  --replace  an item of the same name and type already in its category is written over instead\n"
         "             of a second one being added"},
        {"export",
         runExport,
         "export vscode|pet|folder PATH [--category C]",
         {"--category"},
         "Writes the library (or the category C and everything below it) out; PATH is written beside its\n"
         "place and moved in when complete.\n"
         "  vscode  one snippet file (JSON) of the text items: the name as key and prefix (or the kept\n"
         "          \"Prefix:\" line), the code as body lines, the description; a category named like a\n"
         "          language id list (\"python\", \"javascript,typescript\") becomes the scope\n"
         "  pet     a snippet.toml of the text items\n"
         "  folder  PATH must be new or an empty folder: categories as folders, items as files under their\n"
         "          names (web shortcuts as <description>.url); \"/\" in a name becomes \"_\", a name taken\n"
         "          twice gets \" (2)\". Importing a folder and exporting its category gives the same "
         "files."},
    };
    return list;
}

const Command* findCommand(const QString& name) {
    for (const Command& command : commands())
        if (name == QLatin1String(command.name)) return &command;
    return nullptr;
}

void writeError(const QString& text) {
    const QByteArray bytes = (QStringLiteral("morvane: ") + text + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString overview() {
    QString text = QStringLiteral(
        "Usage: morvane COMMAND [ARGUMENTS] [OPTIONS]\n\n"
        "The Morvane code library without a window: for scripts, editors, backups and "
        "imports.\n\nCommands:\n");
    for (const Command& command : commands())
        text += QStringLiteral("  ") + QLatin1String(command.synopsis) + u'\n';
    text += QStringLiteral(
        "\nOptions of every command:\n"
        "  -l, --library PATH  the Code Library to use; default: the client's current library\n"
        "  --json              machine-readable output where the command has any\n"
        "  -y, --yes           answer Yes to every question (deleting, replacing, synchronising)\n"
        "  --no                answer No to every question\n"
        "  -h, --help          this help; morvane COMMAND --help for one command\n"
        "  --                  the arguments after it are not options\n\n"
        "ITEM is a key (digits), or a category path and a name (\"Database/SafeSQL\"), or a name alone; a\n"
        "path may leave out leading categories (\"SQL/SafeSQL\"). A name that fits several items is an "
        "error\n"
        "that lists their keys.\n\n"
        "Questions are never guessed: without --yes or --no they are refused and the command ends with\n"
        "status 6. Messages go to standard error.\n\n"
        "Exit status: 0 done; 1 failed (damaged or malformed input, a failed copy or exchange); 2 wrong\n"
        "usage; 3 no such library, item, category or file; 4 ambiguous item or category; 5 the library is "
        "in\n"
        "use by another program; 6 a question was refused.\n");
    return text;
}

QString commandHelp(const Command& command) {
    return QStringLiteral("Usage: morvane ") + QLatin1String(command.synopsis) +
           QStringLiteral(" [--library PATH] [--json]\n\n") + QLatin1String(command.help) + u'\n';
}

void printHelp(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

// Fills options from the arguments; a help request leaves command help set.
bool parse(const QStringList& arguments, Options& opt, bool& help) {
    bool optionsEnd = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        if (optionsEnd || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            if (opt.command.isEmpty())
                opt.command = argument;
            else
                opt.arguments << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        QString value;
        bool hasValue = false;
        if (argument.startsWith(QLatin1String("--")) && argument.contains(u'=')) {
            value = argument.section(u'=', 1);
            argument = argument.section(u'=', 0, 0);
            hasValue = true;
        }
        const auto takeValue = [&]() {
            if (hasValue) return value;
            if (i + 1 >= arguments.size())
                throw usage(opt.command, argument + QStringLiteral(" needs a value."));
            return arguments.at(++i);
        };
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            help = true;
        } else if (argument == QLatin1String("--version")) {
            printHelp(QStringLiteral("morvane " MRV_VERSION "\n"));
            return false;
        } else if (argument == QLatin1String("-l") || argument == QLatin1String("--library")) {
            opt.library = takeValue();
        } else if (argument == QLatin1String("--json")) {
            opt.json = true;
        } else if (argument == QLatin1String("-y") || argument == QLatin1String("--yes")) {
            opt.yes = true;
        } else if (argument == QLatin1String("--no")) {
            opt.no = true;
        } else if (argument == QLatin1String("-o")) {
            opt.output = takeValue();
        } else {
            const Command* command = findCommand(opt.command);
            if (!command || !command->options.contains(argument))
                throw usage(opt.command.isEmpty() ? QStringLiteral("help") : opt.command,
                            QStringLiteral("Unknown option ") + argument +
                                (command ? QStringLiteral(" for ") + opt.command : QString()) + u'.');
            const auto valued =
                std::find_if(std::begin(kValueOptions), std::end(kValueOptions),
                             [&](const ValueOption& o) { return argument == QLatin1String(o.name); });
            if (valued != std::end(kValueOptions)) {
                opt.*(valued->member) = takeValue();
            } else if (argument == QLatin1String("--categories")) {
                opt.categories = true;
            } else if (argument == QLatin1String("--no-backup")) {
                opt.noBackup = true;
            } else if (argument == QLatin1String("--zip")) {
                opt.zip = true;
            } else if (argument == QLatin1String("--replace")) {
                opt.replace = true;
            } else {
                const QString direction = argument.mid(2);
                if (!opt.direction.isEmpty() && opt.direction != direction)
                    throw usage(opt.command, QStringLiteral("Give one of --import, --export, --both."));
                opt.direction = direction;
            }
        }
    }
    if (opt.yes && opt.no)
        throw usage(opt.command, QStringLiteral("--yes and --no answer differently: give one."));
    return true;
}

}  // namespace

int run(const QStringList& arguments) {
    Options opt;
    bool help = false;
    try {
        if (!parse(arguments, opt, help)) return exitOk;
        if (opt.command == QLatin1String("help")) {
            help = true;
            opt.command = opt.arguments.value(0);
        }
        const Command* command = findCommand(opt.command);
        if (help || opt.command.isEmpty()) {
            printHelp(command ? commandHelp(*command) : overview());
            return opt.command.isEmpty() || command ? (help ? exitOk : exitUsage) : exitUsage;
        }
        if (!command)
            throw usage(QStringLiteral("help"), QStringLiteral("Unknown command '") + opt.command + u'\'');
        // Questions are answered as the command line says, or refused.
        auto console = std::make_unique<ui::ConsoleBackend>(opt.yes  ? ui::ConsoleBackend::Answer::Yes
                                                            : opt.no ? ui::ConsoleBackend::Answer::No
                                                                     : ui::ConsoleBackend::Answer::Refuse);
        ui::ConsoleBackend* backend = console.get();
        ui::setBackend(std::move(console));
        Context context(std::move(opt), backend);
        command->run(context);
        if (context.refusals() > 0) return exitRefused;
        return exitOk;
    } catch (const Failure& failure) {
        writeError(failure.message());
        return failure.status();
    } catch (const engine::Error& err) {
        writeError(err.description());
        return failureOf(err).status();
    }
}

}  // namespace cli
