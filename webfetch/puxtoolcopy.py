# Unpacks the extractor tool's archive into a folder that Python runs as fast
# as an installed package: every module with its bytecode in __pycache__,
# valid for the interpreter that runs this script (the one that will run the
# tool).
#
#     python3 -I -c <this text> ARCHIVE FOLDER DIGEST
#
# FOLDER must exist and be empty. The archive must still have the SHA-256
# DIGEST that names the copy; when it was replaced meanwhile (an update),
# the status is 3. Bytecode shipped in the archive (beside
# each source, as zipimport wants it) is taken when it was made by this
# interpreter's version without a check of its source; anything else is
# compiled here. The last line on standard output is "copied <files>
# <compiled>". Any failure ends with a non-zero status and a reason on
# standard error; the caller removes the folder.
import hashlib
import importlib.util
import os
import py_compile
import shutil
import sys
import zipfile

UNCHECKED_HASH = b"\x01\x00\x00\x00"


class ArchiveChanged(Exception):
    pass


def member_path(folder, name):
    parts = name.split("/")
    # Nothing may land outside the folder, whatever the archive says.
    if (not name or name.startswith("/") or "\\" in name or ":" in parts[0]
            or any(part in ("", ".", "..") for part in parts)):
        raise ValueError("unsafe member name %r" % name)
    return os.path.join(folder, *parts)


def main():
    archive, folder, digest = sys.argv[1], sys.argv[2], sys.argv[3]
    # What is unpacked is exactly what was hashed: one open file for both.
    with open(archive, "rb") as raw:
        sha256 = hashlib.sha256()
        for block in iter(lambda: raw.read(1 << 20), b""):
            sha256.update(block)
        if sha256.hexdigest() != digest:
            raise ArchiveChanged()
        raw.seek(0)
        unpack(raw, folder)


def unpack(raw, folder):
    magic = importlib.util.MAGIC_NUMBER
    copied = compiled = 0
    with zipfile.ZipFile(raw) as zf:
        members = {info.filename: info for info in zf.infolist() if not info.is_dir()}
        if "__main__.py" not in members:
            raise ValueError("the archive has no __main__.py")
        sources = [name for name in members if name.endswith(".py")]
        made = set()
        for name, info in members.items():
            # Bytecode beside its source goes to __pycache__ below.
            if name.endswith(".pyc") and name[:-1] in members:
                continue
            target = member_path(folder, name)
            parent = os.path.dirname(target)
            if parent not in made:
                os.makedirs(parent, exist_ok=True)
                made.add(parent)
            with zf.open(info) as src, open(target, "wb") as out:
                shutil.copyfileobj(src, out, 1 << 20)
            copied += 1
        for name in sources:
            source = member_path(folder, name)
            cached = importlib.util.cache_from_source(source)
            shipped = members.get(name + "c")
            code = zf.read(shipped) if shipped is not None else b""
            os.makedirs(os.path.dirname(cached), exist_ok=True)
            if code[:4] == magic and code[4:8] == UNCHECKED_HASH:
                with open(cached, "wb") as out:
                    out.write(code)
            else:
                py_compile.compile(source, cfile=cached, dfile=name, doraise=True,
                                   invalidation_mode=py_compile.PycInvalidationMode.UNCHECKED_HASH)
                compiled += 1
    print("copied %d %d" % (copied, compiled))


try:
    main()
except ArchiveChanged:
    print("puxtoolcopy: the archive changed", file=sys.stderr)
    sys.exit(3)
except Exception as error:  # noqa: BLE001 - every failure is reported the same way
    print("puxtoolcopy: %s" % error, file=sys.stderr)
    sys.exit(1)
