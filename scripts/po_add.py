"""Appends translations to daemon/po/*.po: python3 po_add.py table.py (table defines T)."""
import os, sys
langs = ["zh_CN","zh_TW","ko","ja","fr","de","it","pl","ru","cs","fi","es","hu","pt","no","tr","el","da"]
ns = {}
exec(open(sys.argv[1]).read(), ns)
T = ns["T"]
podir = sys.argv[2]
def esc(s): return s.replace('\\','\\\\').replace('"','\\"').replace('\n','\\n').replace('\t','\\t')
for l in langs:
    path = os.path.join(podir, l + ".po")
    existing = open(path).read()
    with open(path,"a") as f:
        for msgid, tr in T.items():
            if '\nmsgid "%s"\n' % esc(msgid) in existing: continue
            fmt = "#, c-format\n" if "%" in msgid else ""
            f.write('\n%smsgid "%s"\nmsgstr "%s"\n' % (fmt, esc(msgid), esc(tr[l])))
