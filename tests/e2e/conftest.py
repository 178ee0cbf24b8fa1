"""Fixtures of the end-to-end tests: the program under test, a private desktop per test
(session.py), and recording stand-ins for what a choice starts."""

import os
from pathlib import Path

import pytest
from session import Desktop, Recorder

PROGRAM = Path(os.environ.get("ZOLVANTEK_BIN", Path(__file__).resolve().parents[2] / "build/tray/zolvantek"))
ARTIFACTS = Path(os.environ.get("E2E_ARTIFACTS", "/tmp/zolvantek-e2e-artifacts"))


@pytest.fixture
def desktop(request):
    with Desktop(ARTIFACTS / request.node.name) as desk:
        yield desk


@pytest.fixture
def recorder(tmp_path):
    return Recorder(tmp_path)


def start_program(desk: Desktop, recorder: Recorder | None = None, *args: str, **env: str):
    path = recorder.path if recorder else os.environ["PATH"]
    return desk.spawn("program", [PROGRAM, *args], desk.env(PATH=path, **env))
