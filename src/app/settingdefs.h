#pragma once
// Every named setting of the program, declared once with its type and default,
// and typed read/write helpers over the settings store. Call sites name the
// constant (Settings::read(Settings::ToolbarCaptions)) and never repeat a
// default. Reads go to the store every time; nothing is cached.
//
//   main section    Software\Veltrane\Quodlin                      read / write
//   per connection  Software\Veltrane\Quodlin\DB Aliases\<name>   readConnection / writeConnection
//   templates       Software\Veltrane\Quodlin\Templates            readTemplates / writeTemplates
#include "app/settings.h"

#include <QString>

namespace quodlin::Settings {

struct BoolSetting {
    const char *name;
    bool def;
};

struct IntSetting {
    const char *name;
    int def;
};

// A text setting. When `platformDefault` is set it supplies the default
// instead of `def` (defaults that depend on the operating system).
struct StringSetting {
    const char *name;
    const char *def;
    QString (*platformDefault)() = nullptr;
};

QString defaultOf(const StringSetting &s);
inline bool defaultOf(const BoolSetting &s) { return s.def; }
inline int defaultOf(const IntSetting &s) { return s.def; }

// Platform-dependent defaults (see externalprograms.h for the editor).
QString EditorDefault();
QString SchemaEditorDefault();
QString InformixHelpFileDefault();

// ---- main section -----------------------------------------------------------
inline constexpr BoolSetting ToolbarCaptions{"Toolbar Captions", true};
inline constexpr IntSetting MainFormWindowState{"MainForm WindowState", 0}; // 0 normal, 1 minimized, 2 maximized
inline constexpr IntSetting MainFormTop{"MainForm Top", 0};
inline constexpr IntSetting MainFormLeft{"MainForm Left", 0};
inline constexpr IntSetting MainFormWidth{"MainForm Width", 640};
inline constexpr IntSetting MainFormHeight{"MainForm Height", 480};
inline constexpr BoolSetting AutoConnect{"Auto Connect", false};
inline constexpr BoolSetting LastConnectDirect{"Last Connect Direct", false};
inline constexpr StringSetting DbAlias{"DB Alias", ""};             // empty: the login dialog takes the first alias
inline constexpr StringSetting DirectConnect{"Direct Connect", ""}; // server\database
inline constexpr BoolSetting SavePassword{"Save Password", false};
// Seconds an ODBC connect waits for a server that does not answer (0: the driver's own wait).
inline constexpr IntSetting LoginTimeout{"Login Timeout", 15};
inline constexpr StringSetting SchemaEditor{"Schema Editor", "", &SchemaEditorDefault};
inline constexpr StringSetting Editor{"Editor", "", &EditorDefault};
inline constexpr StringSetting InformixHelpFile{"Informix Find Error Help File", "", &InformixHelpFileDefault};
inline constexpr StringSetting Initials{"Initials", "kmt"};
inline constexpr BoolSetting DisplayOwner{"Display Owner", true};
inline constexpr IntSetting DisplayOwnerFormat{"Display Owner Format", 1}; // 0..2
inline constexpr BoolSetting QueryResultsToGrid{"Query Results to Grid", false};
inline constexpr BoolSetting QueryMonoFont{"Query Mono Font", false};
inline constexpr BoolSetting QueryAutoRefresh{"Query Auto Refresh", true};
inline constexpr BoolSetting EditOnDblClick{"Edit on DblClick", false};
inline constexpr BoolSetting EditExplainImmediate{"Edit Explain Immediate", false};
inline constexpr BoolSetting SaveSettingsOnExit{"Save Settings on Exit", true};
inline constexpr IntSetting Theme{"Theme", 0}; // 0 the desktop's, 1 light, 2 dark
inline constexpr IntSetting HistorySize{"History Size", 10000}; // entries the query history keeps; 0 none
// Object browser geometry and pages; the defaults are the browser's design values.
inline constexpr IntSetting ChildWindowState{"Child WindowState", 0};
inline constexpr IntSetting TreeViewWidth{"TreeView Width", 200};
inline constexpr IntSetting ListViewStyle{"ListView Style", 3}; // 0 large icons, 1 small icons, 2 list, 3 details
inline constexpr IntSetting SqlRichEditHeight{"SQL RichEdit Height", 120};
inline constexpr IntSetting TabTablePageIndex{"Tab Table PageIndex", 0};
inline constexpr IntSetting TabViewPageIndex{"Tab View PageIndex", 0};
inline constexpr IntSetting TabListPageIndex{"Tab List PageIndex", 0};
inline constexpr IntSetting TabProcPageIndex{"Tab Proc PageIndex", 0};
inline constexpr IntSetting TabTriggerPageIndex{"Tab Trigger PageIndex", 0};
inline constexpr IntSetting TabSynPageIndex{"Tab Syn PageIndex", 0};
inline constexpr IntSetting TabOtherPageIndex{"Tab Other PageIndex", 0};
inline constexpr IntSetting QueryHeight{"Query Height", 350};
inline constexpr IntSetting QueryWidth{"Query Width", 550};

// ---- per connection (DB Aliases\<connection name>) ---------------------------
inline constexpr StringSetting ConnDbAlias{"DB Alias", ""};
inline constexpr StringSetting ConnDirectConnect{"Direct Connect", ""};
inline constexpr StringSetting ConnServerName{"Server Name", ""};
inline constexpr StringSetting ConnDatabaseName{"Database Name", ""};
inline constexpr StringSetting ConnLoginUser{"Login User", ""};
inline constexpr StringSetting ConnLoginPassword{"Login Password", ""}; // scrambled
inline constexpr StringSetting ConnParams{"Params", ""};                // scrambled
inline constexpr StringSetting ConnLastNodeCaption{"Last Node Caption", ""};
inline constexpr StringSetting ConnLastSqlStatement{"Last SQL Statement", ""};
inline constexpr StringSetting ConnLastSqlStatementQuery{"Last SQL Statement (Query)", ""};
// Read empty by the windows; the Options dialog shows its own defaults.
inline constexpr StringSetting ConnSqexplnFile{"SQEXPLN File", ""};
inline constexpr StringSetting ConnSqexplnViewer{"SQEXPLN Viewer", ""}; // empty: use "Editor"

// ---- templates (Templates) ---------------------------------------------------
inline constexpr StringSetting TemplateStoredProcedure{"Stored Procedure", ""};
inline constexpr StringSetting TemplateView{"View", ""};
inline constexpr StringSetting TemplateTrigger{"Trigger", ""};
inline constexpr StringSetting TemplateSynonym{"Synonym", ""};
inline constexpr BoolSetting TemplatesInitialized{"Initialized", false};

// ---- typed access --------------------------------------------------------------
// Main section of the current user.
bool read(const BoolSetting &s);
int read(const IntSetting &s);
QString read(const StringSetting &s);
void write(const BoolSetting &s, bool value);
void write(const IntSetting &s, int value);
void write(const StringSetting &s, const QString &value);

// The per-connection key of `connectionName` (an alias, or server\database).
bool readConnection(const QString &connectionName, const BoolSetting &s);
QString readConnection(const QString &connectionName, const StringSetting &s);
void writeConnection(const QString &connectionName, const StringSetting &s, const QString &value);

// The Templates section.
bool readTemplates(const BoolSetting &s);
QString readTemplates(const StringSetting &s);
void writeTemplates(const BoolSetting &s, bool value);
void writeTemplates(const StringSetting &s, const QString &value);

} // namespace quodlin::Settings
