#!/usr/bin/env python3
"""Write the Wexmoor course catalogue.

The catalogue is made from a seed, so the same command always writes the same
file: ``python3 examples/catalogue/generate.py`` rewrites the shipped
``wexmoor.json``; ``--courses N --out FILE`` writes a larger one for benchmarks
(the named courses the shipped programmes use are always present).
"""

from __future__ import annotations

import argparse
import json
import random
from pathlib import Path

HERE = Path(__file__).resolve().parent
DEPARTMENTS_FILE = HERE.parents[1] / "libjrl" / "src" / "wexmoor_departments" / "departments.txt"

SUBJECTS = {
    "ARTH": "Art History", "ARTS": "Studio Art", "A&HA": "Arts and Humanities", "CLAS": "Classics",
    "ENGL": "English", "CMLT": "Comparative Literature", "FREN": "French", "GERM": "German",
    "SPAN": "Spanish", "ITAL": "Italian", "PORT": "Portuguese", "LATN": "Latin", "GREK": "Ancient Greek",
    "HIST": "History", "PHIL": "Philosophy", "RELS": "Religious Studies", "LING": "Linguistics",
    "THEA": "Theatre", "TH&D": "Theatre and Dance", "DANC": "Dance", "FILM": "Film Studies",
    "CRWR": "Creative Writing", "WRIT": "Writing", "RHET": "Rhetoric", "CHIN": "Chinese",
    "JAPN": "Japanese", "KORN": "Korean", "ARAB": "Arabic", "HEBR": "Hebrew", "RUSS": "Russian",
    "AFST": "African Studies", "AMST": "American Studies", "EAST": "East Asian Studies",
    "MEST": "Middle Eastern Studies", "LAST": "Latin American Studies", "JWST": "Jewish Studies",
    "SLAV": "Slavic Studies", "HUMN": "Humanities", "TRAN": "Translation",
    "W&GS": "Women's and Gender Studies", "ECON": "Economics", "COGS": "Cognitive Science",
    "ETHN": "Ethnic Studies", "POLS": "Political Science", "PSYC": "Psychology", "SOCI": "Sociology",
    "ANTH": "Anthropology", "GEOG": "Geography", "INTL": "International Relations",
    "PUBH": "Public Health", "PLAN": "Urban Planning", "CRIM": "Criminology", "EDUC": "Education",
    "COMM": "Communication", "JOUR": "Journalism", "SOWK": "Social Work", "URBN": "Urban Studies",
    "GLST": "Global Studies", "PEAC": "Peace Studies", "MATH": "Mathematics", "STAT": "Statistics",
    "PHYS": "Physics", "CHEM": "Chemistry", "BIOL": "Biology", "CSCI": "Computer Science",
    "ASTR": "Astronomy", "GEOL": "Geology", "E&ES": "Earth and Environmental Sciences",
    "ENVS": "Environmental Science", "NEUR": "Neuroscience", "BCHM": "Biochemistry",
    "MICR": "Microbiology", "ZOOL": "Zoology", "BOTN": "Botany", "OCEN": "Oceanography",
    "GENE": "Genetics", "DATA": "Data Science", "ENGR": "Engineering",
    "MECH": "Mechanical Engineering", "ELEC": "Electrical Engineering", "CIVE": "Civil Engineering",
    "C&EE": "Civil and Environmental Engineering", "CHBE": "Chemical and Biological Engineering",
    "BMEN": "Biomedical Engineering", "AERO": "Aerospace Engineering", "MSEN": "Materials Science",
    "NUCL": "Nuclear Engineering", "INDE": "Industrial Engineering", "SYST": "Systems Engineering",
    "ACCT": "Accounting", "FINA": "Finance", "MKTG": "Marketing", "MGMT": "Management",
    "BUSI": "Business", "ENTR": "Entrepreneurship", "INFO": "Information Science",
    "OPER": "Operations Research", "NURS": "Nursing", "LIBR": "Library Science",
    "KINE": "Kinesiology", "NUTR": "Nutrition", "PHAR": "Pharmacy", "PATH": "Pathology",
    "MEDI": "Medicine", "DENT": "Dentistry", "HLTH": "Health Studies", "AGRI": "Agriculture",
    "ANSC": "Animal Science", "ENTO": "Entomology", "FRST": "Forestry", "ARCH": "Architecture",
    "LARC": "Landscape Architecture", "DSGN": "Design", "HONR": "Honors", "MILS": "Military Science",
    "NAVS": "Naval Science", "AIRS": "Aerospace Studies", "SUST": "Sustainability",
}

LAB_SCIENCES = {"PHYS", "CHEM", "BIOL", "ASTR", "GEOL", "E&ES", "ENVS", "NEUR", "BCHM", "MICR",
                "ZOOL", "BOTN", "OCEN", "GENE", "ENGR", "MECH", "ELEC", "CIVE", "CHBE", "BMEN",
                "AERO", "MSEN", "NUCL", "NURS", "KINE", "NUTR", "AGRI", "ANSC", "ENTO", "FRST"}
LANGUAGES = {"FREN", "GERM", "SPAN", "ITAL", "PORT", "LATN", "GREK", "CHIN", "JAPN", "KORN", "ARAB",
             "HEBR", "RUSS"}
HUMANITIES = {"ARTH", "A&HA", "CLAS", "ENGL", "CMLT", "HIST", "PHIL", "RELS", "LING", "HUMN", "TRAN",
              "RHET", "JWST", "SLAV", "FILM"} | LANGUAGES
ARTS = {"ARTS", "THEA", "TH&D", "DANC", "CRWR", "DSGN", "ARCH", "LARC"}
SOCIAL = {"ECON", "COGS", "ETHN", "POLS", "PSYC", "SOCI", "ANTH", "GEOG", "INTL", "PUBH", "PLAN",
          "CRIM", "EDUC", "COMM", "SOWK", "URBN", "W&GS", "AMST"}
GLOBAL = {"AFST", "EAST", "MEST", "LAST", "GLST", "PEAC", "INTL", "ANTH", "GEOG"} | LANGUAGES
QUANT = {"MATH", "STAT", "CSCI", "DATA", "OPER", "ECON", "PHYS", "ACCT", "FINA"}

# Courses the shipped programmes name, with the titles a registrar gave them.
NAMED = {
    "MATH 1150": ("Precalculus", 4), "MATH 1200": ("Calculus I", 4), "MATH 1210": ("Calculus II", 4),
    "MATH 2010": ("Multivariable Calculus", 4), "MATH 2100": ("Introduction to Proof", 3),
    "MATH 2110": ("Discrete Mathematics", 3), "MATH 2400": ("Linear Algebra", 4),
    "MATH 3300": ("Real Analysis I", 3), "STAT 2000": ("Introduction to Statistics", 3),
    "STAT 3100": ("Probability", 3), "STAT 4100": ("Mathematical Statistics", 3),
    "CSCI 1100": ("Computer Science I", 4), "CSCI 1200": ("Data Structures", 4),
    "CSCI 2200": ("Foundations of Computer Science", 4), "CSCI 2300": ("Introduction to Algorithms", 4),
    "CSCI 2500": ("Computer Organization", 4), "CSCI 4020": ("Design and Analysis of Algorithms", 4),
    "CSCI 4210": ("Operating Systems", 4), "CSCI 4430": ("Programming Languages", 4),
    "PHYS 1100": ("Physics I", 4), "PHYS 1100L": ("Physics I Laboratory", 1),
    "PHYS 1200": ("Physics II", 4), "PHYS 1200L": ("Physics II Laboratory", 1),
    "PHYS 3100": ("Classical Mechanics", 4), "PHYS 3200": ("Electromagnetism", 4),
    "PHYS 3300": ("Quantum Mechanics I", 4), "PHYS 3400": ("Thermal Physics", 3),
    "PHYS 3500L": ("Advanced Physics Laboratory", 2),
    "CHEM 1100": ("General Chemistry I", 4), "CHEM 1100L": ("General Chemistry I Laboratory", 1),
    "CHEM 3410": ("Physical Chemistry", 4), "BIOL 1100": ("Introduction to Biology", 4),
    "BIOL 1100L": ("Introduction to Biology Laboratory", 1), "ELEC 3300": ("Signals and Systems", 4),
    "ECON 1100": ("Principles of Microeconomics", 3), "ECON 1200": ("Principles of Macroeconomics", 3),
    "ECON 2200": ("Econometrics I", 3), "ECON 3100": ("Intermediate Microeconomics", 3),
    "ECON 3200": ("Intermediate Macroeconomics", 3), "ECON 3300": ("Econometrics II", 3),
    "WRIT 1100": ("Academic Writing", 3), "ENGL 1100": ("Composition and Literature", 3),
    "PHIL 3400": ("Political Philosophy", 3), "CSCI 4900": ("Senior Capstone Project", 4),
    "ECON 4950": ("Economics Internship", 3), "MATH 4900": ("Independent Study in Mathematics", 3),
}

# Courses added to the catalogue later. Their tags come from a generator of
# their own, so adding one leaves every other course as it was.
ADDED = {
    "ECON 4310": ("Labor Economics", 3), "ECON 4420": ("International Trade", 3),
    "ECON 4530": ("Public Finance", 3), "ECON 4640": ("Industrial Organization", 3),
    "CSCI 4150": ("Computer Networks", 4), "CSCI 4350": ("Database Systems", 4),
}

TOPICS = ["Theory", "Methods", "History", "Practice", "Ethics", "Research Design", "Modelling",
          "Case Studies", "Foundations", "Analysis", "Policy", "Systems", "Communication",
          "Data", "Culture", "Society", "Design", "Field Work", "Perspectives", "Problems"]

COMMON_TAGS = ["WX Writing Intensive", "WX Pass/Fail", "WX Service Learning", "WX Honors",
               "WX Online", "WX Team Taught"]
PROGRAMME_CODES = ["CSCI-BS", "ECON-BA", "PHYS-BS", "MATH-MINOR", "HIST-BA", "BIOL-BS", "ENGL-BA",
                   "CHEM-BS"]
PLACEMENTS = ["MATHCALC2", "PHYSMECH", "CHEMGEN", "SPAN-INTERMEDIATE", "FREN-INTERMEDIATE",
              "WRIT-EXEMPT"]


def course_numbers(rng: random.Random, count: int) -> list[int]:
    """Distinct course numbers spread over the four levels, more at the bottom."""
    numbers: set[int] = set()
    weights = [(1000, 4), (2000, 3), (3000, 3), (4000, 2)]
    while len(numbers) < count:
        level = rng.choices([lv for lv, _ in weights], [w for _, w in weights])[0]
        numbers.add(level + rng.randrange(0, 100) * 10)
    return sorted(numbers)


def title_for(rng: random.Random, subject: str, number: int) -> str:
    level = number // 1000
    if number % 1000 >= 900:
        return rng.choice([f"Senior Thesis in {subject}", f"Independent Study in {subject}",
                           f"Capstone Project in {subject}"])
    if level == 1:
        return rng.choice([f"Introduction to {subject}", f"{subject} I", f"Topics in {subject}",
                           f"{subject} and {rng.choice(TOPICS)}"])
    if level == 2:
        return rng.choice([f"{subject} II", f"Intermediate {subject}", f"{subject} {rng.choice(TOPICS)}"])
    return rng.choice([f"Advanced {subject} {rng.choice(TOPICS)}", f"Seminar in {subject}",
                       f"{rng.choice(TOPICS)} in {subject}", f"Special Topics in {subject}"])


def tags_for(rng: random.Random, dept: str, number: int, title: str) -> dict[str, object]:
    """The tags and distributions a course carries, by department, level and title."""
    tags: set[str] = set()
    dists: set[str] = set()
    ptags: dict[str, set[str]] = {}
    pdists: dict[str, set[str]] = {}
    level = number // 1000
    upper = level >= 3
    if dept in HUMANITIES:
        dists.add("WX Humanities")
    if dept in ARTS:
        dists.add("WX Arts")
    if dept in SOCIAL:
        dists.add("WX Social Sciences")
    if dept in GLOBAL or (dept == "ECON" and upper and rng.random() < 0.5):
        dists.add("WX Global Perspectives")
    if dept in LAB_SCIENCES or dept in {"MATH", "STAT", "CSCI", "DATA"}:
        dists.add("WX Natural Sciences and Mathematics")
    if dept in QUANT and rng.random() < 0.6:
        dists.add("WX Quantitative Reasoning")
    if dept in LANGUAGES:
        tags.add("WX Foreign Language")
    if rng.random() < 0.12:
        tags.add(rng.choice(COMMON_TAGS))
    if number % 1000 >= 900:
        tags.add("WX Capstone")
    if "Seminar" in title:
        tags.add("WX Seminar")
    if "Independent Study" in title:
        dists.add("WX Independent Study")
    # Department-specific markings the shipped programmes rely on.
    if dept == "MATH" and upper and rng.random() < 0.6:
        tags.add("WX Proof")
    if dept == "MATH" and upper and rng.random() < 0.15:
        dists.add("WX Independent Study")
    if "Internship" in title:
        tags.add("WX Internship")
    if dept == "PHIL" and upper and ("Political" in title or rng.random() < 0.4):
        tags.add("WX Political Philosophy")
    if dept == "ECON" and level == 4 and rng.random() < 0.3:
        tags.add("WX Internship")
    if dept == "CSCI" and upper and rng.random() < 0.4:
        tags.add("WX Computational Science")
    if dept == "CSCI" and level >= 2 and rng.random() < 0.35:
        dists.add("WX Communication Intensive")
    if dept in {"CSCI", "PHIL"} and rng.random() < 0.2:
        ptags.setdefault("CSCI-BS", set()).add("WX Ethics")
    if dept in {"ECON", "POLS", "HIST"} and upper and rng.random() < 0.3:
        ptags.setdefault("ECON-BA", set()).add("WX Seminar")
    if dept in {"PHYS", "ASTR"} and upper and rng.random() < 0.3:
        ptags.setdefault("PHYS-BS", set()).add("WX Research")
    if dept in {"HIST", "ENGL"} and upper and rng.random() < 0.3:
        ptags.setdefault(f"{dept}-BA", set()).add("WX Seminar")
    if dept in {"PHYS", "ENGL", "WRIT"} and rng.random() < 0.25:
        pdists.setdefault("PHYS-BS", set()).add("WX Writing Intensive")
    if dept in {"MATH", "STAT", "ECON"} and rng.random() < 0.3:
        pdists.setdefault("ECON-BA", set()).add("WX Quantitative Reasoning")
    if dept in {"BIOL", "CHEM"} and upper and rng.random() < 0.2:
        ptags.setdefault("BIOL-BS", set()).add("WX Research")
    fields: dict[str, object] = {}
    if tags:
        fields["tags"] = sorted(tags)
    if dists:
        fields["distributions"] = sorted(dists)
    if ptags:
        fields["programme_tags"] = {code: sorted(names) for code, names in sorted(ptags.items())}
    if pdists:
        fields["programme_distributions"] = {code: sorted(names) for code, names in sorted(pdists.items())}
    return fields


def four_letter_departments() -> list[str]:
    codes = DEPARTMENTS_FILE.read_text(encoding="utf-8").split()
    return [code for code in codes if len(code) == 4]


def catalogue(seed: int, total: int) -> dict[str, object]:
    rng = random.Random(seed)
    departments = four_letter_departments()
    missing = [d for d in departments if d not in SUBJECTS]
    if missing:
        raise SystemExit(f"no subject name for department(s) {', '.join(missing)}")
    named_numbers: dict[str, set[int]] = {}
    for code in [*NAMED, *ADDED]:
        dept, num = code.split()
        named_numbers.setdefault(dept, set()).add(int(num.rstrip("L")))
    per_dept = max(1, total // len(departments))
    courses: list[dict[str, object]] = []
    for dept in departments:
        subject = SUBJECTS[dept]
        numbers = sorted(set(course_numbers(rng, per_dept)) | named_numbers.get(dept, set()))
        for number in numbers:
            added = ADDED.get(f"{dept} {number}")
            lecture = NAMED.get(f"{dept} {number}") or added
            lab = NAMED.get(f"{dept} {number}L")
            lab_title = lab[0] if lab else None
            if lecture or not lab:
                if lecture:
                    title, credits = lecture
                else:
                    title = title_for(rng, subject, number)
                    credits = rng.choice([3, 3, 3, 4, 4, 2]) if number % 1000 < 900 else rng.choice([3, 4, 6])
                    if dept in LAB_SCIENCES and number < 3000 and rng.random() < 0.5:
                        lab_title = f"{title} Laboratory"
                entry: dict[str, object] = {"course": f"{dept} {number}", "title": title, "credits": credits}
                own_rng = random.Random(f"{seed} {dept} {number}") if added else rng
                entry.update(tags_for(own_rng, dept, number, title))
                courses.append(entry)
            if lab_title:
                courses.append({"course": f"{dept} {number}L", "title": lab_title,
                                "credits": lab[1] if lab else 1})
    return {"name": "Wexmoor University 2025-26", "courses": courses,
            "placements": PLACEMENTS, "programme_codes": PROGRAMME_CODES}


def dump(doc: dict[str, object]) -> str:
    """One course a line: small enough to ship, and a diff shows which course changed."""
    lines = [",\n".join("    " + json.dumps(c, ensure_ascii=False) for c in doc["courses"])]  # type: ignore[attr-defined]
    head = {k: v for k, v in doc.items() if k != "courses"}
    return ("{\n" + "".join(f"  {json.dumps(k)}: {json.dumps(v, ensure_ascii=False)},\n" for k, v in head.items())
            + '  "courses": [\n' + lines[0] + "\n  ]\n}\n")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seed", type=int, default=2025)
    parser.add_argument("--courses", type=int, default=1500,
                        help="about how many lecture courses (labs and named courses come on top)")
    parser.add_argument("--out", type=Path, default=HERE / "wexmoor.json")
    args = parser.parse_args()
    args.out.write_text(dump(catalogue(args.seed, args.courses)), encoding="utf-8")


if __name__ == "__main__":
    main()
