"""The zip's layout, made by scripts/release.py from stand-in executables and guides: what a user
unpacks and what SHA256SUMS vouches for, without building anything."""

import hashlib
import os
import tempfile
import unittest
import zipfile

import scripts_under_test  # noqa: F401 (scripts/ on the import path)
import release

COMMIT_TIME = 1_700_000_000  # 2023-11-14 22:13:20 UTC


def stand_ins():
    executables = [(place, f"MZ {place}".encode()) for place, _ in release.EXECUTABLES]
    guides = [(place, f"{place}\r\n".encode()) for place, _ in release.GUIDES]
    return executables, guides


def make_zip(folder, seconds=COMMIT_TIME):
    executables, guides = stand_ins()
    files = release.zip_files(executables, guides, None, seconds, None, folder)
    path, digest = release.write_zip(folder, "Selvaro-1.0.zip", files, seconds)
    with open(path, "rb") as made:
        return made.read(), digest


class ZipLayout(unittest.TestCase):
    def test_entries_their_order_attributes_and_sums(self):
        with tempfile.TemporaryDirectory() as folder:
            data, digest = make_zip(folder)
            self.assertEqual(hashlib.sha256(data).hexdigest(), digest)
            with zipfile.ZipFile(os.path.join(folder, "Selvaro-1.0.zip")) as archive:
                entries = archive.infolist()
                self.assertEqual([entry.filename for entry in entries], release.zip_names())
                for entry in entries:
                    self.assertEqual(entry.date_time, (2023, 11, 14, 22, 13, 20))
                    self.assertEqual(entry.external_attr >> 16, 0o100644)
                    self.assertEqual(entry.compress_type, zipfile.ZIP_DEFLATED)
                sums = archive.read("SHA256SUMS").decode().splitlines()
                self.assertEqual(sums, [
                    f"{hashlib.sha256(archive.read(name)).hexdigest()}  {name}"
                    for name in release.zip_names()[:-1]])
            self.assertEqual(os.listdir(folder), ["Selvaro-1.0.zip"])  # nothing left beside it

    def test_same_bytes_every_time_and_no_date_before_1980(self):
        with tempfile.TemporaryDirectory() as first, tempfile.TemporaryDirectory() as second:
            self.assertEqual(make_zip(first, 0), make_zip(second, 0))
            with zipfile.ZipFile(os.path.join(first, "Selvaro-1.0.zip")) as archive:
                self.assertEqual(archive.infolist()[0].date_time, (1980, 1, 1, 0, 0, 0))


if __name__ == "__main__":
    unittest.main()
