import pytest

import pylibjrl


@pytest.fixture(scope="session")
def JRL():
    # The class is not a module attribute; its instances are the way to it.
    return type(pylibjrl.parse(""))
