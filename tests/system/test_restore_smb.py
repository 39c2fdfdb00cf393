"""The restores of test_restore.py from a task tree on a real Samba server."""

import unittest

import test_restore


class RestoreOnSamba(test_restore.RestoreCase):
    smb = True


if __name__ == "__main__":
    unittest.main()
