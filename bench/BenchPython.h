#pragma once
// The Python peers of the benchmarks (numpy, SciPy and the like) run as any user would run them:
// the system's python3 in a process of its own, without the machine's OpenBLAS tuning variables
// (they stay in our process's environment only). Each peer reports which BLAS library and kernel
// numpy used, and the bench prints it beside the figures.
#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <cstdio>
#include <string>

namespace benchpython {

// Variables that tune OpenBLAS for this machine; a peer must run on the library's own choice.
inline constexpr const char* kRemovedVariables[] = {"OPENBLAS_CORETYPE", "OPENBLAS_L2_SIZE"};

// Appended to every peer script: when it ends, it writes one line "peer blas: ..." to standard
// error, from threadpoolctl when installed, else from numpy's build configuration and the BLAS
// library the process loaded (asked for its OpenBLAS kernel when it is OpenBLAS).
inline constexpr const char* kBlasReport = R"(
def _bench_blas_report():
    import sys
    if 'numpy' not in sys.modules:
        return 'numpy not used'
    try:
        from threadpoolctl import threadpool_info
        found = ['%s %s, kernel %s, %s threads' % (i.get('internal_api'), i.get('version'), i.get('architecture'),
                                                   i.get('num_threads'))
                 for i in threadpool_info() if i.get('user_api') == 'blas']
        if found:
            return 'threadpoolctl: ' + '; '.join(found)
    except ImportError:
        pass
    import ctypes, numpy
    config = getattr(numpy.__config__, 'blas_opt_info', None) or getattr(numpy.__config__, 'blas_ilp64_opt_info', None) or {}
    built = ','.join(sorted(set(config.get('libraries', [])))) or 'unknown'
    with open('/proc/self/maps') as maps:
        names = {line.split()[-1] for line in maps if '/' in line}
    # The BLAS libraries themselves, not the Python modules that wrap them.
    loaded = sorted(path for path in names if path.rsplit('/', 1)[-1].startswith('lib') and 'blas' in path.rsplit('/', 1)[-1])
    libraries = []
    for path in loaded:
        try:
            library = ctypes.CDLL(path)
            library.openblas_get_corename.restype = ctypes.c_char_p
            libraries.append('%s (OpenBLAS, kernel %s)' % (path, library.openblas_get_corename().decode()))
        except (OSError, AttributeError):
            libraries.append('%s (no OpenBLAS kernel: a reference or other BLAS)' % path)
    return 'numpy %s built with %s, loaded %s' % (numpy.__version__, built, ', '.join(libraries) or 'no BLAS library')

def _bench_blas_at_exit():
    import sys
    try:
        sys.stderr.write('peer blas: %s\n' % _bench_blas_report())
    except Exception as error:
        sys.stderr.write('peer blas: not found (%s)\n' % error)

import atexit as _bench_atexit
_bench_atexit.register(_bench_blas_at_exit)
)";

struct TPeerRun {
    bool Ok = false;      // finished in time with exit code 0
    QByteArray Output;    // standard output, trimmed
    std::string Errors;   // standard error without the BLAS line
    std::string Blas;     // what the BLAS line said
};

// The peer's environment: ours without the tuning variables.
inline QProcessEnvironment PeerEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : kRemovedVariables) environment.remove(QString::fromLatin1(name));
    return environment;
}

// Runs the script under the system's Python with the arguments, waiting at most timeoutMs (-1:
// no limit), and prints the BLAS line.
inline TPeerRun RunPython(const char* script, const QStringList& arguments, int timeoutMs = -1)
{
    QProcess python;
    python.setProcessEnvironment(PeerEnvironment());
    python.start("/usr/bin/python3", QStringList{"-c", QString::fromUtf8(script) + kBlasReport} + arguments);
    const bool finished = python.waitForFinished(timeoutMs);
    if (!finished) {
        python.kill();
        python.waitForFinished(-1);
    }
    TPeerRun run;
    run.Ok = finished && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
    run.Output = python.readAllStandardOutput().trimmed();
    for (const QByteArray& line : python.readAllStandardError().split('\n')) {
        if (line.startsWith("peer blas: "))
            run.Blas = line.mid(11).toStdString();
        else if (!line.isEmpty())
            run.Errors += line.toStdString() + "\n";
    }
    if (!finished) run.Errors += "the peer did not finish in time\n";
    std::printf("peer environment: without OPENBLAS_CORETYPE and OPENBLAS_L2_SIZE; BLAS: %s\n",
                run.Blas.empty() ? "not reported" : run.Blas.c_str());
    return run;
}

}  // namespace benchpython
