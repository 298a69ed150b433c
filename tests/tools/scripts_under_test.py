"""The tools of scripts/ for their tests: that folder on the import path, as when a tool runs, and
a tool whose file has no .py loaded by its name."""

import importlib.machinery
import importlib.util
import os
import sys

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")
sys.path.insert(0, SCRIPTS)


def load_tool(name):
    loader = importlib.machinery.SourceFileLoader(name, os.path.join(SCRIPTS, name))
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader(name, loader))
    loader.exec_module(module)
    return module
