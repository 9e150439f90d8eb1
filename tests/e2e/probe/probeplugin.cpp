#include <QGenericPlugin>
#include <cstdio>
#include <cstdlib>

// A plugin that only leaves a mark when it is loaded: the rights test offers it to the program
// through the variables that choose plugins, and looks for the mark.
namespace {
struct LoadMark
{
    LoadMark()
    {
        if (const char *path = std::getenv("VALTORA_PROBE_MARKER")) {
            if (std::FILE *file = std::fopen(path, "w")) {
                std::fclose(file);
            }
        }
    }
} loadMark;
} // namespace

class ProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "probe.json")
public:
    QObject *create(const QString &, const QString &) override { return nullptr; }
};

#include "probeplugin.moc"
