"""The task file SESSION_CONFIG.dat in the layout the controller writes (platform/config_format.h),
for the tests and the scripts: session_xml() is one task, session_config() the whole file.

It writes what a test asks for, files the controller would never write included (a uuid twice, a
uuid in capitals), so that the service's reading of them can be tested.

As a command (the shell scripts use it so) it writes a task file of the tasks given, each
"--task" followed by session_xml's keywords as KEY=VALUE arguments; the list keywords (sources,
extensions, schedule_times) are given once per item:

    python3 tests/system/taskfile.py FILE --task uuid=... name=Docs sources=/home/me/Docs \
        destination=/srv/backups extensions=.* [--task ...]

The file is written beside its place with mode 0600 and renamed into place, so that a service
reading it meanwhile sees the old file or the new one.
"""
import os
import sys
import tempfile
from xml.sax.saxutils import escape


def session_xml(uuid, name, sources, destination, action="incremental", trigger="manually",
                extensions=(), user=None, password=None, protocol="local", schedule_type=None,
                schedule_times=(), model=""):
    """One task; its id is filled in by session_config."""
    lines = ["    <session id=\"{id}\">", "        <uuid>%s</uuid>" % escape(uuid),
             "        <name>%s</name>" % escape(name), "        <filter>",
             "            <filter_type>include</filter_type>", "            <extension>",
             "                <alias_cnt>4</alias_cnt>"]
    groups = [("video", []), ("picture", []), ("audio", []), ("customize", list(extensions))]
    for i, (group, exts) in enumerate(groups, 1):
        lines.append("                <alias id=\"%d\">" % i)
        lines.append("                    <name>%s</name>" % group)
        lines.append("                    <count>%d</count>" % len(exts))
        for j, ext in enumerate(exts, 1):
            lines.append("                    <ext id=\"%d\">%s</ext>" % (j, escape(ext)))
        lines.append("                </alias>")
    lines += ["            </extension>", "            <path>", "                <count>0</count>",
              "            </path>", "        </filter>", "        <source>",
              "            <count>%d</count>" % len(sources)]
    for i, s in enumerate(sources, 1):
        lines.append("            <path id=\"%d\">%s</path>" % (i, escape(s)))
    lines += ["        </source>", "        <destination>",
              "            <protocol>%s</protocol>" % protocol,
              "            <anonymous>%s</anonymous>" % ("0" if user else "1")]
    if user:
        lines.append("            <user>%s</user>" % escape(user))
        lines.append("            <password>%s</password>" % escape(password or ""))
    lines += ["            <path>%s</path>" % escape(destination),
              "            <model>%s</model>" % escape(model),
              "        </destination>", "        <action>%s</action>" % action,
              "        <type>%s</type>" % trigger]
    if trigger == "schedule":
        lines.append("        <schedule_type>%s</schedule_type>" % schedule_type)
        lines.append("        <count>%d</count>" % len(schedule_times))
        for i, t in enumerate(schedule_times, 1):
            lines.append("        <schedule_time id=\"%d\">%s</schedule_time>" % (i, t))
    lines.append("    </session>")
    return "\n".join(lines)


def session_config(*sessions):
    """A whole SESSION_CONFIG.dat holding the given session_xml texts."""
    head = ("<description>\n    <version>1.0</version>\n    <magic>E4BBBBE58AA1</magic>\n"
            "    <vendor>BRELKIN</vendor>\n    <type>session</type>\n    <misc>xxxxx</misc>\n"
            "</description>\n")
    body = ["<configuration>", "    <count>%d</count>" % len(sessions)]
    for i, s in enumerate(sessions, 1):
        body.append(s.replace("{id}", str(i)))
    body.append("</configuration>")
    return head + "\n".join(body) + "\n"


def write_task_file(path, tasks):
    """Writes session_config of the tasks (dicts of session_xml's keywords) to path."""
    text = session_config(*[session_xml(**task) for task in tasks])
    fd, temp = tempfile.mkstemp(prefix=".SESSION_CONFIG.", dir=os.path.dirname(path) or ".")
    try:
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(temp, path)
    except BaseException:
        os.unlink(temp)
        raise


LIST_KEYWORDS = ("sources", "extensions", "schedule_times")


def parse_tasks(args):
    """The tasks of the command line: "--task" KEY=VALUE ... per task."""
    tasks = []
    for arg in args:
        if arg == "--task":
            tasks.append({key: [] for key in LIST_KEYWORDS})
            continue
        key, equals, value = arg.partition("=")
        if not tasks or not equals:
            raise ValueError("not a task's KEY=VALUE: %r" % arg)
        if key in LIST_KEYWORDS:
            tasks[-1][key].append(value)
        else:
            tasks[-1][key] = value
    return tasks


def main(argv):
    try:
        tasks = parse_tasks(argv[2:])
        if len(argv) < 2 or argv[1].startswith("-"):
            raise ValueError("no file named")
        write_task_file(argv[1], tasks)
    except (TypeError, ValueError) as error:
        sys.stderr.write("taskfile.py: %s\nusage: taskfile.py FILE [--task KEY=VALUE ...] ...\n"
                         % error)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
