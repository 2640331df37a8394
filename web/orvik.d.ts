// Orvik for JavaScript: the types of orvik.mjs. Every object is the JSON line the command
// `orvik` prints for the same call, read back: the keys are its keys, in its order. The manual
// page (orvik(1)) and doc/odds.md in Orvik's sources say what each figure means.

/** Loads the WebAssembly module and seeds its generator from `crypto.getRandomValues`. */
export default function createOrvik(): Promise<Orvik>;

export interface Orvik {
  /**
   * Seeds the generator, as the command's `--seed` and the module's `OrvikSeed` do, and returns
   * the seed; with no argument, returns the seed in use (a fresh one until a seed is given).
   * @throws {TypeError} for a seed that is not a number
   * @throws {RangeError} for one that is not a whole number from 0 to 4294967295
   */
  seed(seed?: number): number;

  /**
   * One roll with the dice behind it, as `orvik --json [--sneak]` prints it: the generator goes
   * on from call to call as the command's does from line to line. A text the module refuses gets
   * its answer, a dice error, with no dice.
   * @throws {TypeError} for a text that is not a string, or a wrong option
   */
  roll(text: string, options?: RollOptions): Roll;

  /**
   * The odds of each text, as `orvik --odds --json` prints them: the table of every total, or
   * with `atLeast` or `vs` the answers to that question. One object a text, in order.
   * @throws {TypeError} for a text that is not a string, or a wrong option
   * @throws {RangeError} for an `atLeast` out of range
   */
  odds(texts: string | readonly string[], options?: OddsBase & { atLeast?: undefined; vs?: undefined }): Array<OddsTable | OddsRefused>;
  odds(texts: string | readonly string[], options: OddsBase & { atLeast: number | bigint; vs?: undefined }): Array<OddsAtLeast | OddsRefused>;
  odds(texts: string | readonly string[], options: OddsBase & { vs: string; atLeast?: undefined }): Array<OddsVersus | VersusRefused>;
  odds(texts: string | readonly string[], options?: OddsOptions): OddsAnswer[];

  /**
   * Rolls each text `rolls` times (a million unless told) through the engine and tests the
   * totals against its exact odds, as `orvik --audit --json [--ideal-dice]` does; a refused text
   * gets its error. The texts of one call are audits given together, as the command's run of
   * them: each verdict goes by its p-value adjusted among theirs (`p_adjusted`, `audits`). It
   * lets its caller in every few tens of milliseconds (progress, a cancel, a worker's messages);
   * once `signal` is aborted, it resolves with the audit of the rolls done, and the texts not
   * begun are left out. Audits run one after another, in the order asked. The rolls move the
   * generator, as `roll()` does.
   * @returns a rejected promise, with a TypeError or RangeError, for wrong arguments
   */
  audit(texts: string | readonly string[], options?: AuditOptions): Promise<Array<Audit | AuditRefused>>;

  /**
   * Tests the answers in a game's log, as `orvik --audit --answers --json [--ideal-dice]` does:
   * `summary` is the line the command writes on standard error (without its `orvik: `), `audits`
   * one object a roll text, each roller's after everyone's with `byRoller`, each verdict adjusted
   * among theirs, and `headline` the verdict on them all that the command's report ends with.
   * Once `signal` is aborted, it
   * resolves with the audit of the lines read whole so far. Memory running out part-way stops
   * the reading at that line, as the command's does, and it resolves with the audit of the lines
   * before it (`outOfMemoryAt`); a text whose audit memory then runs out for says so in its
   * place (`untested` counts them).
   * @throws {RangeError} (a rejected promise) where memory runs out before the report is made
   */
  auditLog(log: string, options?: AuditLogOptions): Promise<LogAudit<Audit | AuditUntested>>;

  /** The same calls, each answer the very text the command prints: one JSON object a line. */
  json: {
    roll(text: string, options?: RollOptions): string;
    odds(texts: string | readonly string[], options?: OddsOptions): string[];
    audit(texts: string | readonly string[], options?: AuditOptions): Promise<string[]>;
    auditLog(log: string, options?: AuditLogOptions): Promise<LogAudit<string>>;
  };
}

/** What `auditLog()` resolves with. */
export interface LogAudit<Each> {
  summary: string;
  audits: Each[];
  /**
   * The verdict on the audits together, as the command's report ends with it: how many are very
   * unlikely, each p-value adjusted for all, and the whole log's anytime e-value; null where
   * nothing was tested.
   */
  headline: string | null;
  /** Whether some audit is very unlikely, its p-value adjusted (the command's exit status 1). */
  unlikely: boolean;
  /** The roll texts some audit of which memory ran out for, as the command says on standard error. */
  untested: number;
  /** The line memory ran out at, of which and after which nothing was read; null where it did not. */
  outOfMemoryAt: number | null;
}

export interface RollOptions {
  /** The text is a sneak attack: "<sneak dice> <main roll>", such as "3d6 d8+2". */
  sneak?: boolean;
}

export interface OddsBase {
  sneak?: boolean;
}

/** The table of every total, or one question: `atLeast` or `vs`, never both. */
export type OddsOptions = OddsBase & (
  | { atLeast?: undefined; vs?: undefined }
  /** The chance that a total reaches this, and of exactly k groups reaching it. */
  | { atLeast: number | bigint; vs?: undefined }
  /** A contest: the chances that a total is greater than, equal to or less than this text's. */
  | { vs: string; atLeast?: undefined }
);

export interface AuditOptions {
  sneak?: boolean;
  /** Rolls of each text, 1 to 10^12; a million unless given. */
  rolls?: number;
  /**
   * Tests against ideal dice, every face equally likely (`--ideal-dice`), rather than Orvik's,
   * each face as likely as Orvik's generator makes it.
   */
  idealDice?: boolean;
  /** Told after each slice of rolls. */
  onProgress?: (progress: { index: number; text: string; done: number; rolls: number }) => void;
  signal?: AbortSignal;
}

export interface AuditLogOptions {
  /** Only lines where this stands before the sentence count, as a log marks the host's own. */
  from?: string;
  /** Each roller's answers (the name before "rolls") audited apart too. */
  byRoller?: boolean;
  /** Tests against ideal dice, every face equally likely, as real dice give (`--ideal-dice`). */
  idealDice?: boolean;
  /** The log's name in the summary; "log" unless given. */
  source?: string;
  /** Told after each piece of the log: the characters and the lines read so far. */
  onProgress?: (progress: { done: number; length: number; lines: number }) => void;
  signal?: AbortSignal;
}

// --- roll()

/** A result: the answer is a sentence. */
export interface RolledResult {
  /** The text, its lone surrogates (which UTF-8 cannot hold) as U+FFFD. */
  text: string;
  /** The module's answer, exactly as it wrote it. */
  answer: string;
  /** The seed the generator started from. */
  seed: number;
  /** Of each die. */
  sides: number;
  /** Added to each group's total, the multiplier applied. */
  modifier: number;
  /** A sneak attack's dice: their total is added to each group's. */
  sneak?: { total: number; sides: number; modifier: number; faces: number[] };
  /** Each group's total, and its faces in the order drawn. */
  groups: Array<{ total: number; faces: number[] }>;
}

/** A dice error: the answer is the module's message. */
export interface RefusedRoll {
  text: string;
  answer: string;
  seed: number;
  groups: [];
}

export type Roll = RolledResult | RefusedRoll;

// --- odds()

/** What one group rolls, the multiplier applied. */
export interface Dice {
  dice: number;
  sides: number;
  modifier: number;
}

interface OddsOf {
  text: string;
  groups: number;
  roll: Dice;
  /** With `sneak` only: the sneak attack's dice. */
  sneak?: Dice;
  /** The chance that the module answers with the invalid-arguments error instead of a result. */
  p_error: number;
}

export interface OddsTable extends OddsOf {
  min: number;
  max: number;
  mean: number;
  standard_deviation: number;
  /** Every total from min to max: its chance, that of it or more, and that of it or less. */
  totals: Array<{ total: number; p: number; at_least: number; at_most: number }>;
}

export interface OddsAtLeast extends OddsOf {
  /** A number; beyond 2^53 no longer exact once read into JavaScript. */
  target: number;
  /** The chance that one group's total reaches the target. */
  at_least: number;
  /** For k = 0 to groups, the chance that exactly k groups reach it. */
  exactly: number[];
  /** For k = 0 to groups, the chance that k groups or more reach it. */
  or_more: number[];
}

export interface OddsVersus {
  text: string;
  vs: string;
  /** The chance that either text is refused. */
  p_error: number;
  greater: number;
  equal: number;
  less: number;
}

export interface OddsRefused {
  text: string;
  error: string;
}

export interface VersusRefused {
  text: string;
  vs: string;
  error: string;
  /** Whose text the module refuses. */
  refused: 'text' | 'vs';
}

export type OddsAnswer = OddsTable | OddsAtLeast | OddsVersus | OddsRefused | VersusRefused;

// --- audit() and auditLog()

/** A bias a player understands, and what the sample could do against it. */
export type Caught = (
  /** One face of one die of the roll (the main roll's, for a sneak attack) `times` as likely. */
  | { bias: 'face'; sides: number; face: number; times: number }
  /** `shift` added to every total. */
  | { bias: 'shift'; shift: number }
) & {
  /** The bias in words: "a d20 showing 20 half again as often", "+1 on every total". */
  words: string;
  /** That these totals catch it: an audit of them alone calls them very unlikely. */
  chance: number;
  /** About how many totals catch it 90% of the time; null where no number does. */
  totals_for_90: number | null;
};

export interface Audit {
  /** The first text of these odds. */
  text: string;
  sneak: boolean;
  /** Only where texts were tested with it: five at most, and whether there were more. */
  pooled?: string[];
  pooled_more?: boolean;
  /** What was added to each pooled text's totals to move them to this text's (0: the same odds). */
  pooled_shifts?: number[];
  /** With `byRoller` only: whose answers these are, "" for lines with no name, null for everyone's. */
  roller?: string | null;
  groups: number;
  /** The answers, rolled or read. */
  rolls: number;
  /** The totals tested. */
  totals: number;
  groups_tested: 'every' | 'first';
  /** The invalid-arguments answers (0 for a log, which cannot count them). */
  refused: number;
  sample: number;
  p_error: number;
  /** Answers no roll of the text gives, and what the first of them held. */
  impossible: number;
  first_impossible: string | null;
  /** What the totals were tested against: Orvik's dice, or ideal ones (`idealDice`). */
  dice: 'orvik' | 'ideal';
  mean: {
    observed: number | null;
    expected: number;
    standard_error: number | null;
    z: number | null;
    p: number | null;
    /** Whether p is exact, or the saddlepoint's; null when the test was not done. */
    exact: boolean | null;
  };
  chi_square: {
    statistic: number | null;
    degrees_of_freedom: number | null;
    /** The p-value the text's goes by. */
    p: number | null;
    /** The chi-square's tail. */
    tail_p: number | null;
    /** Why p is what it is. */
    p_from: 'well_filled' | 'far_below' | 'mean_decides' | 'too_many' | 'simulated' | null;
    /** A simulated p-value's samples, those reaching the statistic, and its seed (16 hex digits). */
    simulated: { samples: number; reached: number; seed: string } | null;
    /** from and to are absent for a class of refused answers alone. */
    classes: Array<{ from?: number; to?: number; refused: boolean; observed: number; expected: number }>;
  };
  /** The text's own p-value, both tests in one; null when no test could be done. */
  p: number | null;
  /** p adjusted among the `audits` given together (Holm's); p itself for one. */
  p_adjusted: number | null;
  /** The audits given together that have a p-value. */
  audits: number;
  /** Whether p_adjusted is 0.001 or less, or an answer no roll gives was seen. */
  unlikely: boolean;
  verdict: string;
  /** The note on Orvik's own generator that follows some verdicts. */
  note: string | null;
  /** What the sample could have caught; [] where it is not worked out. */
  caught: Caught[];
  /** The chance that these totals call the other dice unlikely; null where not worked out. */
  other_dice: { dice: 'orvik' | 'ideal'; chance: number } | null;
  /** The anytime figure, for a log audited again and again. */
  anytime: {
    /** The e-value (the largest double for an infinite one). */
    e_value: number;
    /** The audit's share of the false-alarm chance, by the order it came in. */
    weight: number;
    /** 1,000 over the weight: the e-value that flags it. */
    flags_at: number;
    flagged: boolean;
  };
}

export interface AuditRefused {
  text: string;
  error: string;
}

/** A log's text whose audit memory ran out for: its answers, which were not tested. */
export interface AuditUntested {
  text: string;
  sneak: boolean;
  roller?: string | null;
  rolls: number;
  error: string;
}
